#!/usr/bin/env python3
"""The archive walk against independent archivers.

Makes a tree of files at run time (names in ASCII, Japanese and half-width katakana, empty,
compressible and incompressible contents, fixed time stamps), packs it into level-2
archives with jlha in each of its methods, walks every archive with the program's header
reader (oracle_walk) and holds each member against:

  - the tree itself: the member paths (code page 932, decoded) and the files' sizes;
  - `lhasa v`: path (as lhasa prints it: every byte from 0x80 up as '?'), sizes, method, CRC;
  - `7zz l -slt`: sizes, method, CRC, directory flag and the time stamp to the second;
  - the attribute byte, read here straight from each header's fixed part;
  - for stored members, the CRC of the stored bytes (computed by the walk) against lhasa's.

The same archive with the single 0 byte that ends a self-extractor's archive walks the same.
Usage: check_walk.py PATH_TO_ORACLE_WALK
"""
import datetime
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import tempfile

ENV = dict(os.environ, TZ="UTC", LC_ALL="ja_JP.UTF-8", LANG="ja_JP.UTF-8")
JAPANESE_NAMES = ("表示", "ソ十ポ.txt", "ﾃｽﾄ.txt")
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from lzh_checks import check, finish  # noqa: E402


def text_bytes(rng, size):
    words = ["alpha", "beta", "gamma", "delta", "kolvane", "archive", "member", "\n"]
    out = bytearray()
    while len(out) < size:
        out += (rng.choice(words) + " ").encode()
    return bytes(out[:size])


def make_tree(root):
    """Writes the tree; returns {relative path: size or None for a directory}."""
    rng = random.Random(1995)
    files = {
        "empty.txt": b"",
        "readme.txt": text_bytes(rng, 5000),
        "random.bin": bytes(rng.getrandbits(8) for _ in range(70000)),
        "zeros.bin": bytes(200000),
        "mixed.dat": b"".join(
            text_bytes(rng, 3000) + bytes(rng.getrandbits(8) for _ in range(500))
            for _ in range(100)),
        "dir1/copy.txt": text_bytes(rng, 777),
        "dir1/sub/deep/note.txt": text_bytes(rng, 40000),
        "with space.txt": b"x" * 33,
        "long_" + "n" * 150 + ".txt": b"long name",
        "表示/ソ十ポ.txt": "日本語のテキスト\n".encode("cp932") * 50,
        "ﾃｽﾄ.txt": b"half-width katakana\n",
    }
    expected = {}
    for path, content in files.items():
        full = os.path.join(root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(content)
        expected[path] = len(content)
        parts = path.split("/")[:-1]
        for i in range(len(parts)):
            expected["/".join(parts[: i + 1]) + "/"] = None
    # Distinct time stamps, odd seconds among them, from 1980 to 2033.
    stamps = [315532800, 1000000001, 1234567891, 1500000007, 2000000003]
    for i, path in enumerate(sorted(expected, key=len, reverse=True)):
        stamp = stamps[i % len(stamps)] + i * 86413
        os.utime(os.path.join(root, path.rstrip("/")), (stamp, stamp))
    return expected


def run(command, cwd=None):
    result = subprocess.run(command, cwd=cwd, env=ENV, capture_output=True)
    if result.returncode != 0:
        raise SystemExit("%s failed (%d):\n%s%s" % (
            " ".join(command), result.returncode,
            result.stdout.decode(errors="replace"), result.stderr.decode(errors="replace")))
    return result.stdout


def walk(tool, archive):
    out = run([tool, archive]).decode().splitlines()
    members = []
    check(out and out[-1] == "end", "%s: walk did not end cleanly: %s" % (archive, out[-1:]))
    for line in out:
        fields = line.split()
        if fields[0] != "member":
            continue
        path = b"" if fields[1] == "-" else bytes.fromhex(fields[1])
        members.append({
            "path": path, "method": fields[2], "packed": int(fields[3]),
            "size": int(fields[4]), "time": int(fields[5]), "attribute": int(fields[6], 16),
            "crc": int(fields[7], 16),
            "stored_crc": None if fields[8] == "-" else int(fields[8], 16)})
    return members


LHASA_LINE = re.compile(
    r"^\S+\s+(\d+)\s+(\d+)\s+\S+\s+(-\w{3}-)\s+([0-9a-f]{4})\s+\w{3}\s+\d+\s+[\d:]+ (.*)$")


def lhasa_listing(archive):
    rows = []
    for line in run(["lhasa", "v", archive]).decode("latin-1").splitlines():
        match = LHASA_LINE.match(line)
        if match:
            packed, size, method, crc, name = match.groups()
            rows.append({"packed": int(packed), "size": int(size), "method": method,
                         "crc": int(crc, 16), "name": name})
    return rows


def sevenzip_listing(archive):
    text = run(["7zz", "l", "-slt", archive]).decode("utf-8", errors="replace")
    records = text.split("----------\n", 1)[1].strip().split("\n\n")
    rows = []
    for record in records:
        fields = dict(line.split(" = ", 1) for line in record.splitlines() if " = " in line)
        rows.append(fields)
    return rows


def attributes(archive):
    """Byte 19 of each header, walking by header size and compressed size."""
    data = open(archive, "rb").read()
    found, at = [], 0
    while at + 26 <= len(data):
        header_size, = struct.unpack_from("<H", data, at)
        if header_size == 0:
            break
        compressed, = struct.unpack_from("<I", data, at + 7)
        found.append(data[at + 19])
        at += header_size + compressed
    return found


def lhasa_name(path):
    return "".join(chr(b) if b < 0x80 else "?" for b in path)


def compare(tool, archive, tree, wanted_method):
    label = os.path.basename(archive)
    members = walk(tool, archive)
    lhasa = lhasa_listing(archive)
    seven = sevenzip_listing(archive)
    attrs = attributes(archive)
    check(len(members) == len(tree), "%s: %d members, the tree has %d entries"
          % (label, len(members), len(tree)))
    check(len(lhasa) == len(members), "%s: lhasa lists %d, walk %d" % (label, len(lhasa), len(members)))
    check(len(seven) == len(members), "%s: 7zz lists %d, walk %d" % (label, len(seven), len(members)))
    check(len(attrs) == len(members), "%s: %d headers, walk %d" % (label, len(attrs), len(members)))

    seen = set()
    for m, l, s, a in zip(members, lhasa, seven, attrs):
        name = m["path"].decode("cp932", errors="replace")
        where = "%s: %s" % (label, name)
        check("?" not in name, where + ": jlha stored '?' (is the ja_JP.UTF-8 locale there?)")
        check(name in tree, where + ": not a path of the tree")
        seen.add(name)
        if name in tree:
            if tree[name] is None:
                check(m["method"] == "-lhd-", where + ": a directory as " + m["method"])
            else:
                check(m["size"] == tree[name], where + ": size %d, file %d" % (m["size"], tree[name]))
            stamp = os.stat(os.path.join(os.path.dirname(archive), "tree", name.rstrip("/"))).st_mtime
            check(m["time"] == int(stamp), where + ": time %d, file %d" % (m["time"], stamp))
        check(lhasa_name(m["path"]) == l["name"], where + ": lhasa names it " + l["name"])
        for key in ("packed", "size", "method", "crc"):
            check(m[key] == l[key], where + ": %s %s, lhasa %s" % (key, m[key], l[key]))
        check(int(s.get("Size", -1)) == m["size"], where + ": 7zz size " + s.get("Size", "?"))
        check(int(s.get("Packed Size", -1)) == m["packed"], where + ": 7zz packed size")
        check(s.get("Method") == m["method"], where + ": 7zz method " + s.get("Method", "?"))
        check(int(s.get("CRC", "-1"), 16) == m["crc"], where + ": 7zz CRC " + s.get("CRC", "?"))
        check((s.get("Folder") == "+") == (m["method"] == "-lhd-"), where + ": 7zz folder flag")
        modified = datetime.datetime.fromtimestamp(m["time"], datetime.timezone.utc)
        check(s.get("Modified") == modified.strftime("%Y-%m-%d %H:%M:%S"),
              where + ": 7zz modified %s, walk %s" % (s.get("Modified"), modified))
        check(m["attribute"] == a, where + ": attribute %02x, header %02x" % (m["attribute"], a))
        if m["method"] == "-lh0-":
            check(m["stored_crc"] == m["crc"], where + ": stored bytes have CRC %04x, header %04x"
                  % (m["stored_crc"], m["crc"]))
    check(seen == set(tree), "%s: missing %s" % (label, sorted(set(tree) - seen)))
    methods = {m["method"] for m in members}
    check(wanted_method in methods, "%s: no %s member among %s" % (label, wanted_method, methods))
    return members


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    tool = os.path.abspath(sys.argv[1])
    for program in ("jlha", "lhasa", "7zz"):
        if not shutil.which(program):
            raise SystemExit(program + " is missing (scripts/install-deps.sh installs it)")
    work = tempfile.mkdtemp(prefix="kolvane-oracle-")
    try:
        tree_root = os.path.join(work, "tree")
        tree = make_tree(tree_root)
        top = sorted({path.split("/")[0] for path in tree})
        checked = 0
        for option, method in (("c2o5", "-lh5-"), ("c2o6", "-lh6-"), ("c2o7", "-lh7-"),
                               ("c2z", "-lh0-")):
            archive = os.path.join(work, option + ".lzh")
            run(["jlha", option, archive] + [t.rstrip("/") for t in top], cwd=tree_root)
            members = compare(tool, archive, tree, method)
            with open(archive, "ab") as f:
                f.write(b"\0")
            check(walk(tool, archive) == members, option + ": the end byte changes the walk")
            checked += len(members)
        print("%d members of 4 archives checked" % checked)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    finish()


if __name__ == "__main__":
    main()
