#!/usr/bin/env python3
"""Reads the application manifest out of a PE file, apart from the tools under test:

  manifest.py EXE    prints "key=value" lines:
                       level=       the requested execution level
                       checksum=    "ok" when the PE checksum matches the whole file

Fails when there is no manifest (resource type 24, id 1) or it is not well-formed XML.
"""
import struct
import sys
import xml.etree.ElementTree as ET


def u16(data, at):
    return struct.unpack_from('<H', data, at)[0]


def u32(data, at):
    return struct.unpack_from('<I', data, at)[0]


def sections(data, pe):
    optional = pe + 24
    table = optional + u16(data, pe + 20)
    for i in range(u16(data, pe + 6)):
        entry = table + 40 * i
        yield u32(data, entry + 12), u32(data, entry + 16), u32(data, entry + 20)


def offset_of(data, pe, rva):
    for address, raw_size, raw in sections(data, pe):
        if address <= rva < address + raw_size:
            return raw + rva - address
    sys.exit('RVA 0x%x lies in no section' % rva)


def manifest_bytes(data, pe):
    tree = offset_of(data, pe, u32(data, pe + 24 + 96 + 8 * 2))

    def entry(directory, wanted):
        count = u16(data, directory + 12) + u16(data, directory + 14)
        for i in range(count):
            name, target = struct.unpack_from('<II', data, directory + 16 + 8 * i)
            if wanted is None or name == wanted:
                return tree + (target & 0x7FFFFFFF)
        sys.exit('no manifest resource')

    leaf = entry(entry(entry(tree, 24), 1), None)
    rva, size = struct.unpack_from('<II', data, leaf)
    start = offset_of(data, pe, rva)
    return data[start:start + size]


def checksum(data, field):
    length = len(data)
    data = data[:field] + b'\0\0\0\0' + data[field + 4:] + b'\0' * (length % 2)
    total = sum(struct.unpack('<%dH' % (len(data) // 2), data))
    while total > 0xFFFF:
        total = (total & 0xFFFF) + (total >> 16)
    return (total + length) & 0xFFFFFFFF


def main():
    data = open(sys.argv[1], 'rb').read()
    pe = u32(data, 0x3C)
    if data[pe:pe + 4] != b'PE\0\0':
        sys.exit('not a PE file')
    root = ET.fromstring(manifest_bytes(data, pe))

    levels = [e.get('level') for e in root.iter()
              if e.tag.rsplit('}', 1)[-1] == 'requestedExecutionLevel']
    print('level=%s' % ','.join(levels))
    field = pe + 24 + 64
    stored = u32(data, field)
    print('checksum=%s' % ('ok' if stored == checksum(data, field) else
                           'stored 0x%08x, file 0x%08x' % (stored, checksum(data, field))))


main()
