#!/usr/bin/env python3
"""The decoder against an independent archiver.

Makes files at run time (text, binary, all zeros, random, highly repetitive; sizes around
the window sizes and the 64 KiB block, and several MiB), packs them with jlha as -lh5-,
-lh6-, -lh7- and stored (-lh0-) level-2 archives, expands every member with the program's
own reader and decoder (oracle_expand) and checks each against its source file byte for
byte, and the CRC our sink computed against the one in the header.

jlha writes no -lh4-: small members of a -lh5- archive, whose matches all lie within 4096
bytes, are relabelled -lh4- (header CRC recomputed); `lhasa t` must accept them, and our
decoder must reproduce the files with its 4 KiB window.

Usage: check_decode.py PATH_TO_ORACLE_EXPAND
"""
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from lzh_checks import check, crc16, finish  # noqa: E402

crcs = {}


def text(rng, size):
    words = ["the", "archive", "member", "window", "decoder", "Kolvane", "block", "table",
             "of", "and", "a", "to", "\n", "extract", "folder", "setup"]
    out = bytearray()
    while len(out) < size:
        out += (rng.choice(words) + rng.choice(" ,.\n ")).encode()
    return bytes(out[:size])


def binary(rng, size):
    """Structured binary: records of little-endian numbers with small deltas, and strings."""
    out = bytearray()
    value = 0
    while len(out) < size:
        value += rng.randint(-300, 300)
        out += struct.pack("<iHb", value, rng.randint(0, 15), rng.randint(-2, 2))
        if rng.random() < 0.05:
            out += b"\x00name_%d\x00" % rng.randint(0, 99)
    return bytes(out[:size])


def repetitive(rng, size):
    unit = bytes(rng.getrandbits(8) for _ in range(rng.choice((1, 3, 7, 64, 1000))))
    return (unit * (size // len(unit) + 1))[:size]


def random_bytes(rng, size):
    return rng.getrandbits(8 * size).to_bytes(size, "little") if size else b""


def system_binaries(size):
    """Bytes of the machine's own executables and libraries."""
    out = bytearray()
    for folder in ("/usr/lib/x86_64-linux-gnu", "/usr/bin", "/usr/lib"):
        for name in sorted(os.listdir(folder)) if os.path.isdir(folder) else []:
            path = os.path.join(folder, name)
            if os.path.isfile(path) and not os.path.islink(path):
                with open(path, "rb") as f:
                    out += f.read(size - len(out))
            if len(out) >= size:
                return bytes(out)
    return bytes(out) + bytes(size - len(out))


def make_files(root):
    rng = random.Random(1995)
    kinds = {"text": text, "binary": binary, "zeros": lambda r, n: bytes(n),
             "random": random_bytes, "repetitive": repetitive}
    sizes = [0, 1, 2, 3, 100, 4095, 4096, 4097, 8191, 8192, 8193, 32767, 32768, 32769,
             65535, 65536, 65537, 200000]
    files = {}
    for kind, make in kinds.items():
        for size in sizes:
            files["%s_%d" % (kind, size)] = make(rng, size)
    files["big_text"] = text(rng, 3 << 20)
    files["big_system"] = system_binaries(3 << 20)
    files["big_mixed"] = b"".join(
        text(rng, 40000) + binary(rng, 30000) + random_bytes(rng, 5000) + bytes(20000)
        for _ in range(50))
    for name, content in files.items():
        with open(os.path.join(root, name), "wb") as f:
            f.write(content)
    return files


def jlha_archive(source, archive, options, names):
    jlha = shutil.which("jlha") or shutil.which("lha")
    subprocess.run([jlha, options, archive] + names, cwd=source, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def expand(tool, archive, out, files, label, methods):
    os.makedirs(out)
    run = subprocess.run([tool, archive, out], capture_output=True, text=True)
    lines = run.stdout.splitlines()
    check(run.returncode == 0 and lines and lines[-1] == "end",
          "%s: walk did not end cleanly: %s" % (label, lines[-1:] or run.stderr))
    seen = set()
    for line in lines:
        if not line.startswith("member "):
            continue
        _, index, path_hex, method, original, header_crc, our_crc = line.split()
        name = bytes.fromhex(path_hex).decode()
        seen.add(name)
        with open(os.path.join(out, index + ".out"), "rb") as f:
            got = f.read()
        want = files[name]
        check(method in methods, "%s %s: method %s" % (label, name, method))
        check(int(original) == len(want), "%s %s: original size" % (label, name))
        check(got == want, "%s %s (%s): output differs (%d bytes, want %d)"
              % (label, name, method, len(got), len(want)))
        if name not in crcs:
            crcs[name] = crc16(want)
        check(int(our_crc, 16) == crcs[name] == int(header_crc, 16),
              "%s %s: CRC ours %s header %s" % (label, name, our_crc, header_crc))
    check(seen == set(files), "%s: members %s missing" % (label, sorted(set(files) - seen)))
    return seen


def relabel_as_lh4(archive, wanted):
    """Copies the -lh5- members named in `wanted` into a new archive whose headers say
    -lh4-, with their header CRCs recomputed. Returns the archive and the names copied."""
    with open(archive, "rb") as f:
        data = f.read()
    out = bytearray()
    copied = []
    pos = 0
    while pos + 26 <= len(data) and data[pos] | data[pos + 1] << 8:
        size = data[pos] | data[pos + 1] << 8
        header = bytearray(data[pos:pos + size])
        compressed = struct.unpack_from("<I", header, 7)[0]
        body = data[pos + size:pos + size + compressed]
        pos += size + compressed
        name, crc_at, at = None, None, 24
        while True:
            ext = header[at] | header[at + 1] << 8
            if not ext:
                break
            kind = header[at + 2]
            if kind == 0x00:
                crc_at = at + 3
            elif kind == 0x01:
                name = header[at + 3:at + ext].decode()
            at += ext
        if name not in wanted or header[2:7] != b"-lh5-":
            continue
        header[2:7] = b"-lh4-"
        header[crc_at:crc_at + 2] = b"\0\0"
        header[crc_at:crc_at + 2] = struct.pack("<H", crc16(header))
        out += header + body
        copied.append(name)
    out += b"\0"
    return bytes(out), copied


def main():
    tool = os.path.abspath(sys.argv[1])
    work = tempfile.mkdtemp(prefix="oracle-decode-")
    try:
        source = os.path.join(work, "source")
        os.makedirs(source)
        files = make_files(source)
        names = sorted(files)
        for options, methods in (("c2o5", {"-lh5-", "-lh0-"}), ("c2o6", {"-lh6-", "-lh0-"}),
                                 ("c2o7", {"-lh7-", "-lh0-"}), ("c2z", {"-lh0-"})):
            archive = os.path.join(work, options + ".lzh")
            jlha_archive(source, archive, options, names)
            expand(tool, archive, os.path.join(work, "out-" + options), files, options,
                   methods)

        small = {n for n, c in files.items() if len(c) <= 4096}
        lh4 = os.path.join(work, "lh4.lzh")
        relabelled, copied = relabel_as_lh4(os.path.join(work, "c2o5.lzh"), small)
        with open(lh4, "wb") as f:
            f.write(relabelled)
        lhasa = subprocess.run(["lhasa", "t", lh4], capture_output=True, text=True)
        check(lhasa.returncode == 0, "lhasa t rejects the -lh4- archive: " + lhasa.stdout[-300:])
        check(len(copied) >= 10, "too few -lh4- members: %s" % copied)
        expand(tool, lh4, os.path.join(work, "out-lh4"), {n: files[n] for n in copied}, "lh4",
               {"-lh4-"})
    finally:
        shutil.rmtree(work, ignore_errors=True)
    finish()
    print("all members match")


main()
