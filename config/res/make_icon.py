#!/usr/bin/env python3
"""Draws the product icon, a page whose name is being edited with a pencil, and writes it as a
32x32 256-colour .ico (the standard library only). Usage: make_icon.py [OUT.ico]"""
import struct
import sys

SIZE = 32
SCALE = 4  # samples per pixel edge; edges are smoothed by averaging them


def inside(poly, x, y):
    """Even-odd test of a point against a polygon given as (x, y) corners."""
    hit = False
    j = len(poly) - 1
    for i in range(len(poly)):
        xi, yi = poly[i]
        xj, yj = poly[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            hit = not hit
        j = i
    return hit


def thick_line(x0, y0, x1, y1, half):
    """The corners of a line of width 2*half from (x0, y0) to (x1, y1)."""
    dx, dy = x1 - x0, y1 - y0
    length = (dx * dx + dy * dy) ** 0.5
    nx, ny = -dy / length * half, dx / length * half
    return [(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)]


def along(x0, y0, x1, y1, t):
    return (x0 + (x1 - x0) * t, y0 + (y1 - y0) * t)


# Painted in order, later shapes over earlier ones: (colour, polygon).
BORDER = (64, 72, 84)
PAGE = (255, 255, 255)
FOLD = (200, 210, 222)
TEXT = (150, 160, 172)
SELECT = (34, 102, 214)
CARET = (255, 255, 255)
BODY = (242, 165, 22)
BODY_DARK = (205, 122, 10)
WOOD = (246, 222, 176)
LEAD = (52, 52, 56)
BAND = (170, 176, 186)
ERASER = (232, 112, 122)

shapes = []
page = [(5, 2), (19, 2), (26, 9), (26, 30), (5, 30)]
shapes.append((BORDER, page))
shapes.append((PAGE, [(6, 3), (18.6, 3), (25, 9.4), (25, 29), (6, 29)]))
shapes.append((BORDER, [(18, 2), (19.4, 2), (19.4, 8), (26, 8), (26, 9.4), (18, 9.4)]))
shapes.append((FOLD, [(19.4, 3.4), (24.6, 8), (19.4, 8)]))
for y, right in ((12, 21), (15, 23)):
    shapes.append((TEXT, [(9, y), (right, y), (right, y + 1.2), (9, y + 1.2)]))
# The name being edited: a selection bar with a caret, as in Explorer's rename box.
shapes.append((SELECT, [(8, 18), (19, 18), (19, 22.6), (8, 22.6)]))
shapes.append((CARET, [(15, 18.8), (16, 18.8), (16, 21.8), (15, 21.8)]))
shapes.append((TEXT, [(9, 25.5), (17, 25.5), (17, 26.7), (9, 26.7)]))

# The pencil, from its tip at the lower left up to its eraser at the upper right.
tip = (13.0, 30.5)
end = (30.5, 13.0)
half = 2.6
wood_end = along(*tip, *end, 0.22)
body_end = along(*tip, *end, 0.78)
band_end = along(*tip, *end, 0.85)
shapes.append((BORDER, thick_line(*tip, *end, half + 0.8)))
body = thick_line(*wood_end, *body_end, half)
shapes.append((WOOD, [tip, body[0], body[3]]))
shapes.append((LEAD, [tip, along(*tip, *body[0], 0.4), along(*tip, *body[3], 0.4)]))
shapes.append((BODY, body))
shapes.append((BODY_DARK, thick_line(*wood_end, *body_end, half * 0.35)))
shapes.append((BAND, thick_line(*body_end, *band_end, half)))
shapes.append((ERASER, thick_line(*band_end, *end, half)))


def sample(size):
    """Average colour and covered share of every pixel of a size x size picture of the shapes,
    from SCALE x SCALE samples each; colour None where nothing is covered."""
    unit = SIZE / size
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            total = [0, 0, 0]
            covered = 0
            for sy in range(SCALE):
                for sx in range(SCALE):
                    x = (px + (sx + 0.5) / SCALE) * unit
                    y = (py + (sy + 0.5) / SCALE) * unit
                    colour = None
                    for c, poly in shapes:
                        if inside(poly, x, y):
                            colour = c
                    if colour:
                        covered += 1
                        for k in range(3):
                            total[k] += colour[k]
            colour = tuple(round(t / covered) for t in total) if covered else None
            row.append((colour, covered / (SCALE * SCALE)))
        pixels.append(row)
    return pixels


def render():
    """The icon's pixels: a colour where at least half the pixel is covered, else None (clear)."""
    return [[c if share >= 0.5 else None for c, share in row] for row in sample(SIZE)]


def palette():
    """A 6x6x6 colour cube and 40 greys: 256 entries, index 0 black for the transparent pixels."""
    colours = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    colours += [(round(i * 255 / 41),) * 3 for i in range(1, 41)]
    return colours


def nearest(colours, c):
    return min(range(len(colours)), key=lambda i: sum((colours[i][k] - c[k]) ** 2 for k in range(3)))


def write_ico(path, pixels):
    colours = palette()
    assert len(colours) == 256
    xor = bytearray()
    mask = bytearray()
    for row in reversed(pixels):  # bottom-up rows
        bits = 0
        for x, c in enumerate(row):
            xor.append(0 if c is None else nearest(colours, c))
            if c is None:
                bits |= 1 << (31 - x)
        mask += struct.pack('>I', bits)
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 8, 0, len(xor) + len(mask), 0, 0, 256, 0)
    table = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in colours)
    image = header + table + bytes(xor) + bytes(mask)
    directory = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, 1, 8, len(image), 22)
    with open(path, 'wb') as f:
        f.write(directory + image)


if __name__ == '__main__':
    write_ico(sys.argv[1] if len(sys.argv) > 1 else 'tavrino.ico', render())
