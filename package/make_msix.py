#!/usr/bin/env python3
"""Packs files into an MSIX package in the layout Microsoft's packer writes, then signs it with
osslsigncode; the package appears at OUT only once it is signed. The standard library only.
  make_msix.py OUT --file NAME=PATH... --osslsigncode PATH --sign SIGNING ARGUMENT...
NAME is the file's name in the package; what follows --sign goes to `osslsigncode sign`."""
import argparse
import base64
import hashlib
import os
import struct
import subprocess
import sys
import zlib
from xml.sax.saxutils import escape

BLOCK = 64 * 1024
VERSION = 45  # ZIP64
DATA_DESCRIPTOR = 0x0008
DEFLATED = 8
DOS_DATE = (1 << 5) | 1  # 1980-01-01 00:00: the same files give the same package


def deflate_in_blocks(data):
    """The deflated data and, per 64 KiB block, its SHA-256 and the size of its own compressed
    part: each block ends with a full flush so that it can be read on its own."""
    compressor = zlib.compressobj(9, zlib.DEFLATED, -15)
    out, blocks = bytearray(), []
    for start in range(0, len(data), BLOCK):
        block = data[start:start + BLOCK]
        part = compressor.compress(block) + compressor.flush(zlib.Z_FULL_FLUSH)
        blocks.append((hashlib.sha256(block).digest(), len(part)))
        out += part
    out += compressor.flush(zlib.Z_FINISH)  # the closing empty block, outside any block
    return bytes(out), blocks


class Zip:
    def __init__(self):
        self.data = bytearray()
        self.entries = []

    def add(self, name, data, compressed):
        """A local header without sizes, the deflated data, then a data descriptor with 64-bit sizes
        (every entry is a ZIP64 one in the central directory)."""
        raw_name = name.encode('utf-8')
        crc = zlib.crc32(data)
        offset = len(self.data)
        self.data += struct.pack('<IHHHHHIIIHH', 0x04034b50, VERSION, DATA_DESCRIPTOR, DEFLATED, 0, DOS_DATE,
                                 0, 0, 0, len(raw_name), 0) + raw_name
        self.data += compressed
        self.data += struct.pack('<IIQQ', 0x08074b50, crc, len(compressed), len(data))
        self.entries.append((raw_name, crc, len(compressed), len(data), offset))

    def finish(self):
        """The central directory, the ZIP64 end record and its locator, and the classic end record."""
        directory = len(self.data)
        for raw_name, crc, compressed, size, offset in self.entries:
            extra = struct.pack('<HHQQQ', 0x0001, 24, size, compressed, offset)
            self.data += struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, VERSION, VERSION, DATA_DESCRIPTOR, DEFLATED,
                                     0, DOS_DATE, crc, 0xFFFFFFFF, 0xFFFFFFFF, len(raw_name), len(extra), 0, 0, 0, 0,
                                     0xFFFFFFFF) + raw_name + extra
        end64 = len(self.data)
        count, length = len(self.entries), end64 - directory
        self.data += struct.pack('<IQHHIIQQQQ', 0x06064b50, 44, VERSION, VERSION, 0, 0, count, count, length, directory)
        self.data += struct.pack('<IIQI', 0x07064b50, 0, end64, 1)
        self.data += struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0)
        return bytes(self.data)


def block_map(files):
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<BlockMap xmlns="http://schemas.microsoft.com/appx/2010/blockmap" '
             'HashMethod="http://www.w3.org/2001/04/xmlenc#sha256">']
    for name, size, blocks in files:
        # Names as Windows writes paths; the local header is 30 bytes and the name, nothing more.
        path = escape(name.replace('/', '\\'), {'"': '&quot;'})
        lines.append(f'<File Name="{path}" Size="{size}" '
                     f'LfhSize="{30 + len(name.encode("utf-8"))}">')
        for digest, compressed in blocks:
            lines.append(f'<Block Hash="{base64.b64encode(digest).decode()}" Size="{compressed}"/>')
        lines.append('</File>')
    lines.append('</BlockMap>')
    return '\r\n'.join(lines).encode('utf-8')


# Content types of the payload by extension; the manifest is the package's only .xml payload.
CONTENT_TYPES = {'xml': 'application/vnd.ms-appx.manifest+xml', 'png': 'image/png'}


def content_types(names):
    defaults = sorted({name.rsplit('.', 1)[-1].lower() for name in names})
    unknown = [e for e in defaults if e not in CONTENT_TYPES]
    if unknown:
        sys.exit(f'make_msix: no content type for .{", .".join(unknown)}')
    return ('<?xml version="1.0" encoding="UTF-8"?>'
            '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
            + ''.join(f'<Default Extension="{e}" ContentType="{CONTENT_TYPES[e]}"/>' for e in defaults)
            + '<Override PartName="/AppxBlockMap.xml" ContentType="application/vnd.ms-appx.blockmap+xml"/>'
            '</Types>').encode('utf-8')


def pack(files):
    archive, mapped = Zip(), []
    for name, path in files:
        data = open(path, 'rb').read()
        compressed, blocks = deflate_in_blocks(data)
        archive.add(name, data, compressed)
        mapped.append((name, len(data), blocks))
    for name, data in (('AppxBlockMap.xml', block_map(mapped)),
                       ('[Content_Types].xml', content_types([n for n, _ in files]))):
        archive.add(name, data, deflate_in_blocks(data)[0])
    return archive.finish()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('out')
    parser.add_argument('--file', action='append', required=True, metavar='NAME=PATH')
    parser.add_argument('--osslsigncode', required=True)
    own = sys.argv[1:sys.argv.index('--sign')] if '--sign' in sys.argv else sys.argv[1:]
    args = parser.parse_args(own)
    args.signing = sys.argv[len(own) + 2:]
    files = [tuple(f.split('=', 1)) for f in args.file]

    unsigned, signed = args.out + '.unsigned', args.out + '.signing'
    for path in (args.out, unsigned, signed):
        if os.path.exists(path):
            os.remove(path)
    with open(unsigned, 'wb') as f:
        f.write(pack(files))
    result = subprocess.run([args.osslsigncode, 'sign', *args.signing, '-h', 'sha256', '-in', unsigned, '-out', signed],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    os.remove(unsigned)
    if result.returncode != 0 or not os.path.exists(signed):
        if os.path.exists(signed):
            os.remove(signed)
        sys.exit(f'make_msix: osslsigncode could not sign {os.path.basename(args.out)}, so there is no package:\n'
                 + result.stdout)
    os.replace(signed, args.out)


if __name__ == '__main__':
    main()
