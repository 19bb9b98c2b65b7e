#!/usr/bin/env python3
"""Draws Pardovane's icon, a page of links with a check mark, as a 16 x 16
PNG with an 8-bit palette. Run it to rebuild the icons after an edit:
    python3 ui/draw_icon.py ui/pardovane.png
    python3 ui/draw_icon.py ui/icons/pardovane-48.png 3
    python3 ui/draw_icon.py ui/icons/pardovane.svg
(a scale above 1 writes an enlarged copy; a .svg name the scalable one, the
same squares as paths, so every size shows the same picture)."""

import struct
import sys
import zlib

# Index 0 is transparent.
PALETTE = {
    ".": (0, 0, 0, 0),
    "k": (74, 84, 96, 255),     # page outline
    "w": (255, 255, 255, 255),  # paper
    "f": (200, 208, 216, 255),  # folded corner
    "b": (29, 95, 209, 255),    # link lines
    "g": (38, 166, 66, 255),    # check mark
    "G": (12, 96, 34, 255),     # check mark outline
}

PAGE = [
    "..kkkkkkkkk.....",
    "..kwwwwwwwkk....",
    "..kwwwwwwwkfk...",
    "..kwbbbbbwkkkk..",
    "..kwwwwwwwwwwk..",
    "..kwbbbbbbbbwk..",
    "..kwwwwwwwwwwk..",
    "..kwbbbbbbwwwk..",
    "..kwwwwwwwwwwk..",
    "..kwbbbbbwwwwk..",
    "..kwwwwwwwwwwk..",
    "..kwbbbwwwwwwk..",
    "..kwwwwwwwwwwk..",
    "..kwwwwwwwwwwk..",
    "..kwwwwwwwwwwk..",
    "..kkkkkkkkkkkk..",
]

# The check mark, row by row: (row, first column, last column).
CHECK = [(7, 14, 15), (8, 13, 14), (9, 12, 13), (10, 11, 12), (11, 10, 11),
         (10, 4, 5), (11, 5, 6), (12, 6, 10), (13, 7, 9)]


def draw():
    grid = [list(row) for row in PAGE]
    mark = {(r, c) for r, first, last in CHECK for c in range(first, last + 1)}
    for r, c in mark:
        grid[r][c] = "g"
    for r, c in mark:
        for dr, dc in ((-1, 0), (1, 0), (0, -1), (0, 1)):
            rr, cc = r + dr, c + dc
            if 0 <= rr < 16 and 0 <= cc < 16 and (rr, cc) not in mark:
                grid[rr][cc] = "G"
    return grid


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png(grid, scale):
    keys = list(PALETTE)
    size = 16 * scale
    rows = b"".join(
        b"\0" + bytes(keys.index(grid[y // scale][x // scale]) for x in range(size))
        for y in range(size))
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 3, 0, 0, 0))
            + chunk(b"PLTE", b"".join(bytes(PALETTE[k][:3]) for k in keys))
            + chunk(b"tRNS", bytes(PALETTE[k][3] for k in keys))
            + chunk(b"IDAT", zlib.compress(rows, 9))
            + chunk(b"IEND", b""))


def svg(grid):
    # One path per colour, a unit square per run of equal cells in a row.
    paths = []
    for key, (r, g, b, a) in PALETTE.items():
        if a == 0:
            continue
        runs = []
        for y, row in enumerate(grid):
            x = 0
            while x < 16:
                if row[x] != key:
                    x += 1
                    continue
                start = x
                while x < 16 and row[x] == key:
                    x += 1
                runs.append(f"M{start} {y}h{x - start}v1h{start - x}z")
        if runs:
            paths.append(f'  <path fill="#{r:02x}{g:02x}{b:02x}" d="{"".join(runs)}"/>')
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" '
            'viewBox="0 0 16 16" shape-rendering="crispEdges">\n'
            + "\n".join(paths) + "\n</svg>\n").encode()


if __name__ == "__main__":
    scale = int(sys.argv[2]) if len(sys.argv) > 2 else 1
    data = svg(draw()) if sys.argv[1].endswith(".svg") else png(draw(), scale)
    with open(sys.argv[1], "wb") as out:
        out.write(data)
