#!/usr/bin/env python3
"""Makes a self-extractor for the Wine tests: a copy of the real stub with a configuration
block at offset 512 and an LZH archive appended at the next multiple of 512.

    make_sfx.py STUB ARCHIVE OUT [--title T] [--label L] [--folder F] [--message M]
                [--command C] [--flags N] [--total N]

Texts are given in UTF-8 and stored in code page 932. Without --total the total original
size is the sum of the original sizes found by walking the archive's level-2 headers.
"""
import argparse
import struct
import sys

BLOCK_OFFSET = 512
BLOCK_SIZE = 705
ALIGNMENT = 512

# Text fields of the block: (offset inside the block, width including the terminator).
TEXT_FIELDS = {
    "title": (4, 51),
    "label": (55, 41),
    "folder": (96, 256),
    "message": (352, 81),
    "command": (433, 260),
}


def total_original_size(archive):
    """Sums the original sizes of the members; level-2 headers only.

    A level-2 header starts with its own total length (u16); the compressed size follows the
    five-byte method at offset 7 and the original size at offset 11. A zero byte ends the
    archive.
    """
    total, position = 0, 0
    while position + 21 <= len(archive) and archive[position] != 0:
        header_size, = struct.unpack_from("<H", archive, position)
        if archive[position + 20] != 2 or header_size < 24:
            sys.exit("make_sfx: not a level-2 header at offset %d" % position)
        compressed, original = struct.unpack_from("<II", archive, position + 7)
        total += original
        position += header_size + compressed
    return total


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("stub")
    parser.add_argument("archive")
    parser.add_argument("out")
    for field in TEXT_FIELDS:
        parser.add_argument("--" + field, default="")
    parser.add_argument("--flags", type=lambda text: int(text, 0), default=0)
    parser.add_argument("--total", type=int)
    args = parser.parse_args()

    image = bytearray(open(args.stub, "rb").read())
    archive = open(args.archive, "rb").read()
    if image[:2] != b"MZ" or len(image) < BLOCK_OFFSET + BLOCK_SIZE:
        sys.exit("make_sfx: %s is not the stub" % args.stub)
    image += bytes(-len(image) % ALIGNMENT)
    total = args.total if args.total is not None else total_original_size(archive)

    block = bytearray(BLOCK_SIZE)
    struct.pack_into("<I", block, 0, len(image))
    for field, (offset, width) in TEXT_FIELDS.items():
        text = getattr(args, field).encode("cp932")
        if len(text) >= width:
            sys.exit("make_sfx: %s is longer than %d bytes" % (field, width - 1))
        block[offset:offset + len(text)] = text
    struct.pack_into("<III", block, 693, args.flags, total & 0xFFFFFFFF, total >> 32)
    image[BLOCK_OFFSET:BLOCK_OFFSET + BLOCK_SIZE] = block

    with open(args.out, "wb") as out:
        out.write(image)
        out.write(archive)


if __name__ == "__main__":
    main()
