#!/usr/bin/env python3
"""Independent reader and writer of the LZH bits the kolvane-make tests look at.

  lzh_tool.py config EXE        the configuration block: one "field=value" line each
                                (texts decoded from code page 932)
  lzh_tool.py headers ARCHIVE   one line per member of a level-2 archive, after checking
                                every header CRC: "method attribute os time size path"
  lzh_tool.py utf8-names FOLDER
                                renames everything below FOLDER from code page 932 names
                                (as lhasa writes them) to UTF-8
  lzh_tool.py level0 OUT METHOD PATH [LEVEL]
                                a one-member archive with a level-0 style header (the
                                level byte set to LEVEL, default 0) holding 4 stored bytes
  lzh_tool.py members OUT MEMBER...
                                an archive of the members, each given as comma-separated
                                key=value pairs (values with Python escapes): level (0-3,
                                default 2), method (-lh0-), dir, name, data (the member's
                                bytes, stored as they are), original (size claimed), crc
                                (claimed, hex), short (level 2: header size counted this
                                many bytes short)
"""
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from lzh_checks import crc16  # noqa: E402


def config(path):
    data = open(path, 'rb').read()
    block = data[512:512 + 705]
    offset, = struct.unpack_from('<I', block, 0)
    fields = [('title', 4, 51), ('label', 55, 41), ('folder', 96, 256),
              ('message', 352, 81), ('command', 433, 260)]
    print('archive_offset=%d' % offset)
    for name, at, width in fields:
        raw = block[at:at + width]
        text = raw.split(b'\0', 1)[0]
        if any(raw[len(text):]):
            sys.exit('%s: bytes after the terminator' % name)
        print('%s=%s' % (name, text.decode('cp932')))
    flags, low, high = struct.unpack_from('<III', block, 693)
    print('flags=%d' % flags)
    print('total=%d' % (low | high << 32))
    print('file_size=%d' % len(data))
    print('last_byte=%d' % data[-1])


def headers(path):
    data = open(path, 'rb').read()
    at = 0
    while True:
        size = struct.unpack_from('<H', data, at)[0] if at + 1 < len(data) else 0
        if size == 0:
            break
        h = bytearray(data[at:at + size])
        method = h[2:7].decode()
        packed, original, stamp, attribute, level, _, os_id, ext = \
            struct.unpack_from('<IIIBBHBH', h, 7)
        assert level == 2, 'level %d at %d' % (level, at)
        names = {}
        crc_at = None
        pos = 24
        while ext:
            kind = h[pos + 2]
            body = bytes(h[pos + 3:pos + 2 + ext - 2])
            if kind == 0:
                crc_at = pos + 3
            names[kind] = body
            pos += ext
            ext, = struct.unpack_from('<H', h, pos)
        assert pos + 2 == size, 'extended headers end at %d of %d' % (pos + 2, size)
        stored, = struct.unpack_from('<H', h, crc_at)
        h[crc_at:crc_at + 2] = b'\0\0'
        assert crc16(h) == stored, 'header CRC at %d' % at
        path = (names.get(2, b'') + names.get(1, b'')).replace(b'\xff', b'/')
        print('%s %02x %c %d %d %s' % (method, attribute, os_id, stamp, original,
                                       path.decode('cp932')))
        at += size + packed
    assert at == len(data) - 1 and data[at] == 0, 'archive does not end in one 0 byte'


def utf8_names(folder):
    for top, dirs, files in os.walk(os.fsencode(folder), topdown=False):
        for name in dirs + files:
            os.rename(os.path.join(top, name),
                      os.path.join(top, name.decode('cp932').encode()))


def level0(out, method, name, level=0):
    content = b'data'
    name = name.encode()
    body = method.encode() + struct.pack('<IIIBBB', len(content), len(content), 0x21000000,
                                         0x20, level, len(name))
    body += name + struct.pack('<H', crc16(content))
    header = bytes([len(body), sum(body) & 0xFF]) + body
    open(out, 'wb').write(header + content + b'\0')


def member(fields):
    import codecs
    f = dict(item.split('=', 1) for item in fields.split(',') if item)
    raw = {k: codecs.escape_decode(v.encode())[0] for k, v in f.items()}
    level = int(f.get('level', '2'))
    method = raw.get('method', b'-lh0-')
    data = raw.get('data', b'')
    original = int(f.get('original', len(data)))
    crc = int(f['crc'], 16) if 'crc' in f else crc16(data)
    name, dirname = raw.get('name', b''), raw.get('dir', b'')
    if level == 0:
        path = dirname + name
        body = method + struct.pack('<IIIBBB', len(data), original, 0x21000000, 0x20, 0,
                                    len(path)) + path + struct.pack('<H', crc)
        return bytes([len(body), sum(body) & 0xFF]) + body + data
    if level == 1:
        ext = struct.pack('<H', len(dirname) + 3) + b'\x02' + dirname if dirname else b''
        body = method + struct.pack('<IIIBBB', len(data) + len(ext), original, 0x21000000,
                                    0x20, 1, len(name)) + name + struct.pack('<H', crc) + b'M'
        return bytes([len(body) + 2, sum(body + ext[:2]) & 0xFF]) + body + ext + b'\0\0' + data
    width = 2 if level == 2 else 4
    size = '<H' if level == 2 else '<I'
    exts = [b'\x00\0\0', b'\x01' + name] + ([b'\x02' + dirname] if dirname else [])
    chain = b''.join(struct.pack(size, len(e) + width) + e for e in exts) + bytes(width)
    if level == 2:
        fixed = 26 - 2
        total = fixed + len(chain)
        head = struct.pack('<H', total - int(f.get('short', '0')))
    else:
        fixed = 32 - 4
        total = fixed + len(chain)
        head = struct.pack('<H', 4)
    head += method + struct.pack('<IIIBBHB', len(data), original, 0x3B9ACA00, 0x20, level, crc,
                                 ord('M'))
    if level == 3:
        head += struct.pack('<I', total)
    h = bytearray(head + chain)
    crc_at = len(head) + width + 1
    h[crc_at:crc_at + 2] = struct.pack('<H', crc16(h))
    return bytes(h) + data


if __name__ == '__main__':
    command = sys.argv[1]
    if command == 'config':
        config(sys.argv[2])
    elif command == 'headers':
        headers(sys.argv[2])
    elif command == 'utf8-names':
        utf8_names(sys.argv[2])
    elif command == 'members':
        open(sys.argv[2], 'wb').write(b''.join(member(m) for m in sys.argv[3:]) + b'\0')
    elif command == 'level0':
        level0(sys.argv[2], sys.argv[3], sys.argv[4], int(sys.argv[5]) if len(sys.argv) > 5 else 0)
