#!/usr/bin/env python3
"""Draws the product icon, a page whose name is being edited with a pencil, and writes it as one
.ico with every size Windows asks for at 100 % to 200 % and beyond: 16, 20, 24, 32, 40, 48 and 64
pixels in 32-bit colour with transparency, 256 pixels as PNG, and a 32x32 256-colour image for old
displays (the standard library only). Usage: make_icon.py [OUT.ico]"""
import struct
import sys
import zlib

SIZE = 32  # the drawing's own units: a 32x32 square
SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
PNG_FROM = 256  # images this large go into the .ico as PNG, as Windows' own icons do


def thick_line(x0, y0, x1, y1, half):
    """The corners of a line of width 2*half from (x0, y0) to (x1, y1)."""
    dx, dy = x1 - x0, y1 - y0
    length = (dx * dx + dy * dy) ** 0.5
    nx, ny = -dy / length * half, dx / length * half
    return [(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)]


def along(x0, y0, x1, y1, t):
    return (x0 + (x1 - x0) * t, y0 + (y1 - y0) * t)


def rect(x0, y0, x1, y1):
    return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]


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


def shapes(size):
    """The drawing for an image of `size` pixels, painted in order, later shapes over earlier ones:
    (colour, polygon) in units of a 32x32 square. Small images keep only what still reads at their
    size, with lines no thinner than a pixel."""
    px = SIZE / size  # one pixel of this image, in drawing units
    small = size < 32

    def snap(v):
        """Straight edges on whole pixels: a line between two pixels would blur into both."""
        return round(v / px) * px

    def box(x0, y0, x1, y1):
        return rect(snap(x0), snap(y0), max(snap(x1), snap(x0) + px), max(snap(y1), snap(y0) + px))

    line = max(1.0, px)  # outlines at least one pixel wide
    left, top, right, bottom, fold = snap(5), snap(2), snap(26), snap(30), snap(19)
    fold_y = top + (right - fold)  # the corner is folded at 45 degrees
    out = []
    out.append((BORDER, [(left, top), (fold, top), (right, fold_y), (right, bottom), (left, bottom)]))
    out.append((PAGE, [(left + line, top + line), (fold - 0.4 * line, top + line), (right - line, fold_y + 0.4 * line),
                       (right - line, bottom - line), (left + line, bottom - line)]))
    out.append((BORDER, [(fold - line, top), (fold + 0.4 * line, top), (fold + 0.4 * line, fold_y - line),
                         (right, fold_y - line), (right, fold_y + 0.4 * line), (fold - line, fold_y + 0.4 * line)]))
    out.append((FOLD, [(fold + 0.4 * line, top + 1.4 * line), (right - 1.4 * line, fold_y - line),
                       (fold + 0.4 * line, fold_y - line)]))
    if not small:
        # Lines of text, which at fewer pixels would only blur the page grey.
        for y, r in ((12, 21), (15, 23)):
            out.append((TEXT, box(9, y, r, y + 1.2)))
    # The name being edited: a selection bar with a caret, as in Explorer's rename box; on small
    # images it takes the place of the text lines.
    lift = 3 if small else 0
    out.append((SELECT, box(8, 18 - lift, 19, 22.6 - lift)))
    out.append((CARET, box(15, 18.8 - lift, 16, 21.8 - lift)))
    if not small:
        out.append((TEXT, box(9, 25.5, 17, 26.7)))

    # The pencil, from its tip at the lower left up to its eraser at the upper right.
    tip = (13.0, 30.5)
    end = (30.5, 13.0)
    half = 2.6 if not small else 3.0
    wood_end = along(*tip, *end, 0.22)
    body_end = along(*tip, *end, 0.78)
    band_end = along(*tip, *end, 0.85)
    out.append((BORDER, thick_line(*tip, *end, half + max(0.8, line))))
    body = thick_line(*wood_end, *body_end, half)
    out.append((WOOD, [tip, body[0], body[3]]))
    out.append((LEAD, [tip, along(*tip, *body[0], 0.4), along(*tip, *body[3], 0.4)]))
    out.append((BODY, body))
    out.append((BODY_DARK, thick_line(*wood_end, *body_end, max(half * 0.35, px / 2))))
    out.append((BAND, thick_line(*body_end, *band_end, half)))
    out.append((ERASER, thick_line(*band_end, *end, half)))
    return out


def crossings(poly, y):
    """Where a horizontal line at y crosses the polygon's edges, sorted (even-odd filling)."""
    xs = []
    j = len(poly) - 1
    for i in range(len(poly)):
        xi, yi = poly[i]
        xj, yj = poly[j]
        if (yi > y) != (yj > y):
            xs.append((xj - xi) * (y - yi) / (yj - yi) + xi)
        j = i
    xs.sort()
    return xs


def sample(size):
    """Average colour and covered share of every pixel of a size x size picture of the drawing, from
    a grid of samples per pixel; colour None where nothing is covered. Filled a row of samples at a
    time, so that 256 pixels take seconds, not minutes."""
    scale = 4 if size >= 64 else 8  # samples per pixel edge
    n = size * scale
    unit = SIZE / n
    drawing = shapes(size)
    colours = [c for c, _ in drawing]
    total = [[[0, 0, 0, 0] for _ in range(size)] for _ in range(size)]
    for sy in range(n):
        y = (sy + 0.5) * unit
        row = [-1] * n
        for k, (_, poly) in enumerate(drawing):
            xs = crossings(poly, y)
            for a, b in zip(xs[0::2], xs[1::2]):
                # Samples whose centre lies inside [a, b).
                first = max(0, int(a / unit - 0.5 + 0.999999))
                last = min(n, int(b / unit - 0.5 + 0.999999))
                if last > first:
                    row[first:last] = [k] * (last - first)
        cells = total[sy // scale]
        for sx, k in enumerate(row):
            if k >= 0:
                cell = cells[sx // scale]
                c = colours[k]
                cell[0] += c[0]
                cell[1] += c[1]
                cell[2] += c[2]
                cell[3] += 1
    samples = scale * scale
    return [[(tuple(round(v / cell[3]) for v in cell[:3]) if cell[3] else None, cell[3] / samples) for cell in row]
            for row in total]


def palette():
    """A 6x6x6 colour cube and 40 greys: 256 entries, index 0 black for the transparent pixels."""
    colours = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    colours += [(round(i * 255 / 41),) * 3 for i in range(1, 41)]
    return colours


def nearest(colours, c):
    return min(range(len(colours)), key=lambda i: sum((colours[i][k] - c[k]) ** 2 for k in range(3)))


def and_mask(clear):
    """The monochrome mask, bottom-up, rows padded to 32 bits: 1 where the pixel is clear."""
    size = len(clear)
    stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(clear):
        bits = bytearray(stride)
        for x, is_clear in enumerate(row):
            if is_clear:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return bytes(mask)


def dib_256(pixels):
    """A 256-colour image: a colour where at least half the pixel is covered, else clear."""
    size = len(pixels)
    colours = palette()
    assert len(colours) == 256
    xor = bytearray()
    for row in reversed(pixels):
        xor += bytes(0 if share < 0.5 else nearest(colours, c) for c, share in row)
    mask = and_mask([[share < 0.5 for _, share in row] for row in pixels])
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 8, 0, len(xor) + len(mask), 0, 0, 256, 0)
    table = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in colours)
    return header + table + bytes(xor) + mask


def dib_32(pixels):
    """A 32-bit image with straight alpha from the covered share, and the mask for old readers."""
    size = len(pixels)
    xor = bytearray()
    for row in reversed(pixels):
        for c, share in row:
            r, g, b = c or (0, 0, 0)
            xor += bytes((b, g, r, round(share * 255)))
    mask = and_mask([[round(share * 255) == 0 for _, share in row] for row in pixels])
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + bytes(xor) + mask


def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))


def png(pixels):
    """An 8-bit RGBA PNG with straight alpha from the covered share."""
    size = len(pixels)
    raw = bytearray()
    for row in pixels:
        raw.append(0)  # no filter
        for colour, share in row:
            raw += bytes(colour or (0, 0, 0)) + bytes([round(share * 255)])
    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(bytes(raw), 9))
            + chunk(b'IEND', b''))


def images():
    """(size, bits per pixel, image bytes) of every image of the icon, smallest first; the
    256-colour one after the 32-bit one of its size."""
    out = []
    for size in SIZES:
        pixels = sample(size)
        out.append((size, 32, png(pixels) if size >= PNG_FROM else dib_32(pixels)))
        if size == 32:
            out.append((size, 8, dib_256(pixels)))
    return out


def write_ico(path):
    entries = images()
    directory = struct.pack('<HHH', 0, 1, len(entries))
    offset = len(directory) + 16 * len(entries)
    data = b''
    for size, bits, image in entries:
        colours = 0 if bits > 8 else 1 << bits
        # 0 stands for 256 in the one-byte width, height and colour count.
        directory += struct.pack('<BBBBHHII', size % 256, size % 256, colours % 256, 0, 1, bits, len(image), offset)
        offset += len(image)
        data += image
    with open(path, 'wb') as f:
        f.write(directory + data)


if __name__ == '__main__':
    write_ico(sys.argv[1] if len(sys.argv) > 1 else 'tavrino.ico')
