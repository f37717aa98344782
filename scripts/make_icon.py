#!/usr/bin/env python3
"""Draws the application icon, three cubes lettered M, F and C, into res/tandrel.ico.

Two images, 32x32 and 16x16, 16 colours each, in the standard VGA palette.
"""
import struct
import sys

PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
           (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
           (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, GREY, SILVER, WHITE = 0, 8, 7, 15
# Each cube: front, top and side colour.
CUBES = {'M': (12, 14, 4), 'F': (9, 11, 1), 'C': (10, 14, 2)}
LETTERS = {
    'M': ["X...X", "XX.XX", "X.X.X", "X...X", "X...X"],
    'F': ["XXXX", "X...", "XXX.", "X...", "X..."],
    'C': [".XXX", "X...", "X...", "X...", ".XXX"],
}
SMALL = {'M': ["X.X", "XXX", "X.X"], 'F': ["XXX", "XX.", "X.."], 'C': ["XXX", "X..", "XXX"]}


def draw(size):
    img = [[None] * size for _ in range(size)]  # None = transparent

    def put(x, y, c):
        if 0 <= x < size and 0 <= y < size:
            img[y][x] = c

    def cube(x0, y0, edge, depth, letter, glyphs):
        front, top, side = CUBES[letter]
        for d in range(1, depth + 1):  # top and right faces, slanted
            for i in range(edge):
                put(x0 + i + d, y0 - d, top)
                put(x0 + edge - 1 + d, y0 + i - d, side)
        for y in range(edge):
            for x in range(edge):
                border = x in (0, edge - 1) or y in (0, edge - 1)
                put(x0 + x, y0 + y, BLACK if border else front)
        glyph = glyphs[letter]
        gx = x0 + (edge - len(glyph[0])) // 2
        gy = y0 + (edge - len(glyph)) // 2
        for dy, row in enumerate(glyph):
            for dx, ch in enumerate(row):
                if ch == 'X':
                    put(gx + dx, gy + dy, WHITE)

    if size == 32:
        cube(1, 17, 13, 3, 'M', LETTERS)
        cube(15, 17, 13, 3, 'F', LETTERS)
        cube(8, 3, 13, 3, 'C', LETTERS)
    else:
        cube(0, 9, 7, 1, 'M', SMALL)
        cube(8, 9, 7, 1, 'F', SMALL)
        cube(4, 2, 7, 1, 'C', SMALL)
    return img


def bitmap(img):
    size = len(img)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('BBBB', b, g, r, 0) for r, g, b in PALETTE)
    xor = b''
    mask = b''
    for row in reversed(img):  # bottom-up
        nibbles = [c if c is not None else 0 for c in row]
        line = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        xor += line + b'\0' * (-len(line) % 4)
        bits = 0
        mbytes = b''
        for i, c in enumerate(row):
            bits = (bits << 1) | (1 if c is None else 0)
            if i % 8 == 7:
                mbytes += bytes([bits])
                bits = 0
        mask += mbytes + b'\0' * (-len(mbytes) % 4)
    return header + palette + xor + mask


def main(path):
    images = [bitmap(draw(32)), bitmap(draw(16))]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for data, size in zip(images, (32, 16)):
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    with open(path, 'wb') as f:
        f.write(out + b''.join(images))


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'res/tandrel.ico')
