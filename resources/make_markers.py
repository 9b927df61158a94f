#!/usr/bin/env python3
"""Writes the three marker pictures of the main window's pressure plot.

    normalbmp.bmp   7 x 7   a measured data point: navy ring, white inside
    nominalbmp.bmp  9 x 9   the nominal point: green diamond
    selectbmp.bmp  11 x 11  the picked point: dark orange ring, open inside

24-bit bitmaps. The plot draws a picture transparently, taking the colour
of its bottom-left pixel as the transparent one: here magenta, which no
marker uses. Run from this folder: python3 make_markers.py
"""
import struct

KEY = (255, 0, 255)
NAVY = (0, 0, 128)
WHITE = (255, 255, 255)
GREEN = (0, 140, 0)
ORANGE = (230, 110, 0)


def write_bmp(name, rows):
    height = len(rows)
    width = len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        pixels += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(name, "wb") as f:
        f.write(header + info + pixels)


def ring(size, inner, outer, colour, fill):
    c = (size - 1) / 2
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            d2 = (x - c) ** 2 + (y - c) ** 2
            if d2 <= outer * outer:
                row.append(colour if d2 >= inner * inner else fill)
            else:
                row.append(KEY)
        rows.append(row)
    return rows


def diamond(size, colour):
    c = size // 2
    return [[colour if abs(x - c) + abs(y - c) <= c else KEY for x in range(size)] for y in range(size)]


write_bmp("normalbmp.bmp", ring(7, 2.0, 3.2, NAVY, WHITE))
write_bmp("nominalbmp.bmp", diamond(9, GREEN))
write_bmp("selectbmp.bmp", ring(11, 3.6, 5.2, ORANGE, KEY))
