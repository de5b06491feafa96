#!/usr/bin/env python3
"""Draws the package's logos from the program's icon (config/res/make_icon.py) at the sizes the
manifest names, as RGBA PNG files with smoothed, transparent edges (the standard library only).
Usage: make_logos.py [FOLDER]"""
import os
import struct
import sys
import zlib

sys.dont_write_bytecode = True  # leave no cache in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'config', 'res'))
import make_icon  # noqa: E402

# File name and edge: the store logo of Properties/Logo, then the two of VisualElements.
LOGOS = (('StoreLogo.png', 50), ('Square44x44Logo.png', 44), ('Square150x150Logo.png', 150))


def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))


def png(pixels):
    size = len(pixels)
    raw = bytearray()
    for row in pixels:
        raw.append(0)  # no filter
        for colour, share in row:
            raw += bytes(colour or (0, 0, 0)) + bytes([round(share * 255)])
    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(bytes(raw), 9))
            + chunk(b'IEND', b''))


if __name__ == '__main__':
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, size in LOGOS:
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(png(make_icon.sample(size)))
