#!/usr/bin/env python3
"""Draws the two cursors of the menu list's drag and writes them as 32x32 monochrome .cur files with
the hot spot at the top-left corner (the standard library only):
  drag_move.cur  an arrow with a small dashed box below it: the line may be dropped here;
  drag_no.cur    a circle with a diagonal bar: no drop here.
Usage: make_cursors.py [FOLDER]"""
import math
import os
import struct
import sys

SIZE = 32
BLACK, WHITE, CLEAR = 'X', 'o', '.'

# The arrow, its tip on the hot spot: black outline, white inside.
ARROW = """
X
XX
XoX
XooX
XoooX
XooooX
XoooooX
XooooooX
XoooooooX
XooooooooX
XoooooooooX
XoooooXXXXX
XooXooX
XoX.XooX
XX..XooX
X....XooX
.....XooX
......XX
"""


def blank():
    return [[CLEAR] * SIZE for _ in range(SIZE)]


def drag_move():
    pixels = blank()
    for y, row in enumerate(ARROW.strip('\n').split('\n')):
        for x, c in enumerate(row):
            pixels[y][x] = c
    # The box the line is carried in: a border of black and white dashes, two pixels each, so
    # that it shows on light and dark backgrounds alike; its inside stays clear.
    left, top, right, bottom = 8, 20, 21, 29
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            if x in (left, right) or y in (top, bottom):
                pixels[y][x] = BLACK if ((x + y) // 2) % 2 == 0 else WHITE
    return pixels


def drag_no():
    pixels = blank()
    cx = cy = 12.0
    outer, inner, bar = 11.0, 7.6, 1.6
    for y in range(SIZE):
        for x in range(SIZE):
            px, py = x + 0.5, y + 0.5
            d = math.hypot(px - cx, py - cy)
            # Distance from the bar, which runs from the upper left to the lower right.
            b = abs((px - cx) - (py - cy)) / math.sqrt(2)
            if inner <= d <= outer or (d < inner and b <= bar):
                pixels[y][x] = BLACK
            elif d <= outer + 1.2 and (d > outer or d >= inner - 1.2 or b <= bar + 1.2):
                pixels[y][x] = WHITE
    return pixels


def write_cur(path, pixels, hot_x=0, hot_y=0):
    xor = bytearray()
    mask = bytearray()
    for row in reversed(pixels):  # bottom-up rows
        colour = clear = 0
        for x, c in enumerate(row):
            bit = 1 << (31 - x)
            if c == WHITE:
                colour |= bit
            elif c == CLEAR:
                clear |= bit
        xor += struct.pack('>I', colour)
        mask += struct.pack('>I', clear)
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 1, 0, len(xor) + len(mask), 0, 0, 2, 0)
    table = struct.pack('<BBBB', 0, 0, 0, 0) + struct.pack('<BBBB', 255, 255, 255, 0)
    image = header + table + bytes(xor) + bytes(mask)
    directory = struct.pack('<HHH', 0, 2, 1) + struct.pack('<BBBBHHII', SIZE, SIZE, 2, 0, hot_x, hot_y, len(image), 22)
    with open(path, 'wb') as f:
        f.write(directory + image)


if __name__ == '__main__':
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    write_cur(os.path.join(folder, 'drag_move.cur'), drag_move())
    write_cur(os.path.join(folder, 'drag_no.cur'), drag_no())
