#!/usr/bin/env python3
"""Draws Kestrix's pictures: the side picture, the texture tile, the button glyphs and the two
about-window pictures. Standard library only; run it in this folder to rewrite the PNG files.

Glyphs are keyed on fuchsia (255, 0, 255): their bottom-left pixel is that colour, and the
buttons leave every pixel of it out. They are drawn without anti-aliasing so that no blend with
the key colour shows as a fringe."""

import struct
import zlib

KEY = (255, 0, 255)


class Canvas:
    def __init__(self, w, h, colour):
        self.w, self.h = w, h
        self.px = [[colour for _ in range(w)] for _ in range(h)]

    def put(self, x, y, colour, alpha=1.0):
        if 0 <= x < self.w and 0 <= y < self.h and alpha > 0:
            if alpha >= 1.0:
                self.px[y][x] = colour
            else:
                old = self.px[y][x]
                self.px[y][x] = tuple(round(o + (c - o) * alpha) for o, c in zip(old, colour))

    def rect(self, x, y, w, h, colour):
        for j in range(y, y + h):
            for i in range(x, x + w):
                self.put(i, j, colour)

    def frame(self, x, y, w, h, colour):
        self.rect(x, y, w, 1, colour)
        self.rect(x, y + h - 1, w, 1, colour)
        self.rect(x, y, 1, h, colour)
        self.rect(x + w - 1, y, 1, h, colour)

    def shape(self, inside, box, colour, smooth):
        """Fills the pixels whose centre (or, smooth, whose 4 x 4 samples) lie inside."""
        x0, y0, x1, y1 = box
        for y in range(max(0, int(y0)), min(self.h, int(y1) + 1)):
            for x in range(max(0, int(x0)), min(self.w, int(x1) + 1)):
                if smooth:
                    hits = sum(inside(x + (i + 0.5) / 4, y + (j + 0.5) / 4)
                               for i in range(4) for j in range(4))
                    self.put(x, y, colour, hits / 16)
                elif inside(x + 0.5, y + 0.5):
                    self.put(x, y, colour)

    def disc(self, cx, cy, r, colour, smooth=False):
        self.shape(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r,
                   (cx - r - 1, cy - r - 1, cx + r + 1, cy + r + 1), colour, smooth)

    def ring(self, cx, cy, r, width, colour, smooth=False):
        self.shape(lambda x, y: (r - width) ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= r * r,
                   (cx - r - 1, cy - r - 1, cx + r + 1, cy + r + 1), colour, smooth)

    def polygon(self, points, colour, smooth=False):
        def inside(px, py):
            result = False
            j = len(points) - 1
            for i in range(len(points)):
                xi, yi = points[i]
                xj, yj = points[j]
                if (yi > py) != (yj > py) and px < (xj - xi) * (py - yi) / (yj - yi) + xi:
                    result = not result
                j = i
            return result
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.shape(inside, (min(xs), min(ys), max(xs), max(ys)), colour, smooth)

    def gradient(self, top, bottom):
        for y in range(self.h):
            t = y / max(1, self.h - 1)
            c = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
            for x in range(self.w):
                self.px[y][x] = c

    def text(self, x, y, s, scale, colour, gap=1):
        for ch in s:
            rows = FONT[ch]
            for j, row in enumerate(rows):
                for i, bit in enumerate(row):
                    if bit == '#':
                        self.rect(x + i * scale, y + j * scale, scale, scale, colour)
            x += (len(rows[0]) + gap) * scale

    def png(self, path, keyed=False):
        if keyed:
            assert self.px[self.h - 1][0] == KEY, path
        raw = b''.join(b'\0' + bytes(v for p in row for v in p) for row in self.px)
        write_png(path, self.w, self.h, 2, raw)


def write_png(path, w, h, colour_type, raw, palette=None):
    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data +
                struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF))
    out = b'\x89PNG\r\n\x1a\n'
    out += chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, colour_type, 0, 0, 0))
    if palette:
        out += chunk(b'PLTE', b''.join(bytes(c) for c in palette))
    out += chunk(b'IDAT', zlib.compress(raw, 9))
    out += chunk(b'IEND', b'')
    with open(path, 'wb') as f:
        f.write(out)


FONT = {
    'K': ['#...#', '#..#.', '#.#..', '##...', '#.#..', '#..#.', '#...#'],
    'E': ['#####', '#....', '#....', '####.', '#....', '#....', '#####'],
    'S': ['.####', '#....', '#....', '.###.', '....#', '....#', '####.'],
    'T': ['#####', '..#..', '..#..', '..#..', '..#..', '..#..', '..#..'],
    'R': ['####.', '#...#', '#...#', '####.', '#.#..', '#..#.', '#...#'],
    'I': ['###', '.#.', '.#.', '.#.', '.#.', '.#.', '###'],
    'X': ['#...#', '#...#', '.#.#.', '..#..', '.#.#.', '#...#', '#...#'],
    'V': ['#...#', '#...#', '#...#', '#...#', '#...#', '.#.#.', '..#..'],
    'O': ['.###.', '#...#', '#...#', '#...#', '#...#', '#...#', '.###.'],
    'N': ['#...#', '##..#', '#.#.#', '#..##', '#...#', '#...#', '#...#'],
    '1': ['.#.', '##.', '.#.', '.#.', '.#.', '.#.', '###'],
    '?': ['.##.', '#..#', '...#', '..#.', '.#..', '....', '.#..'],
    '.': ['.', '.', '.', '.', '.', '.', '#'],
    ' ': ['..', '..', '..', '..', '..', '..', '..'],
}


def floppy(c, x, y, size, body, shutter, label):
    """A diskette seen from the front, size x size pixels, top-left at (x, y)."""
    s = size / 16
    c.polygon([(x, y), (x + 14 * s, y), (x + size, y + 2 * s), (x + size, y + size),
               (x, y + size)], body, True)
    c.polygon([(x + 4 * s, y), (x + 12 * s, y), (x + 12 * s, y + 5 * s), (x + 4 * s, y + 5 * s)],
              shutter, True)
    c.polygon([(x + 9 * s, y + 1 * s), (x + 11 * s, y + 1 * s), (x + 11 * s, y + 4 * s),
               (x + 9 * s, y + 4 * s)], body, True)
    c.polygon([(x + 3 * s, y + 8 * s), (x + 13 * s, y + 8 * s), (x + 13 * s, y + size - 1 * s),
               (x + 3 * s, y + size - 1 * s)], label, True)
    for k in range(3):
        yy = y + (10 + 2 * k) * s
        c.polygon([(x + 4.5 * s, yy), (x + 11.5 * s, yy), (x + 11.5 * s, yy + 0.6 * s),
                   (x + 4.5 * s, yy + 0.6 * s)], (120, 130, 150), True)


def kestrel(c, cx, cy, span, colour):
    """A hovering bird of prey: swept wings, fanned tail, small head."""
    s = span / 100
    wings = [(cx - 50 * s, cy - 6 * s), (cx - 30 * s, cy - 14 * s), (cx - 8 * s, cy - 8 * s),
             (cx - 4 * s, cy - 14 * s), (cx + 4 * s, cy - 14 * s), (cx + 8 * s, cy - 8 * s),
             (cx + 30 * s, cy - 14 * s), (cx + 50 * s, cy - 6 * s), (cx + 26 * s, cy - 4 * s),
             (cx + 7 * s, cy + 4 * s), (cx + 12 * s, cy + 30 * s), (cx, cy + 34 * s),
             (cx - 12 * s, cy + 30 * s), (cx - 7 * s, cy + 4 * s), (cx - 26 * s, cy - 4 * s)]
    c.polygon(wings, colour, True)
    c.disc(cx, cy - 16 * s, 5 * s, colour, True)


def side_picture():
    c = Canvas(115, 330, (0, 0, 0))
    c.gradient((24, 62, 96), (150, 190, 214))
    for r in (62, 106):
        c.ring(57, 300, r, 1.5, (255, 255, 255), True)
    c.text(47, 18, 'K', 4, (255, 255, 255))
    y = 54
    for ch in 'ESTRIX':
        w = len(FONT[ch][0]) * 3
        c.text(57 - w // 2, y, ch, 3, (226, 236, 244))
        y += 26
    kestrel(c, 57, 230, 96, (250, 250, 250))
    floppy(c, 34, 268, 46, (40, 60, 90), (200, 205, 215), (245, 245, 240))
    return c


def texture_tile():
    levels = [185, 186, 188, 189, 191, 192, 194, 195, 197, 198, 200, 201, 203, 205, 207, 209]
    seed = 20260611
    noise = []
    for _ in range(32 * 32):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        noise.append((seed >> 8) % 1000 / 1000)
    # Smoothed with wrap-around so that the tile joins its neighbours without a seam.
    grid = []
    for y in range(32):
        row = []
        for x in range(32):
            total = 0.0
            for dy in (-1, 0, 1):
                for dx in (-1, 0, 1):
                    w = 4 if dx == dy == 0 else 1
                    total += w * noise[((y + dy) % 32) * 32 + (x + dx) % 32]
            row.append(total / 12)
        grid.append(row)
    lo = min(min(r) for r in grid)
    hi = max(max(r) for r in grid)
    index = [[min(15, int((v - lo) / (hi - lo) * 16)) for v in row] for row in grid]
    index[31][0] = levels.index(191)   # the tile's transparent colour is grey 191
    raw = b''.join(b'\0' + bytes(row) for row in index)
    write_png('texture.png', 32, 32, 3, raw, [(g, g, g) for g in levels])


def glyph(w, h):
    return Canvas(w, h, KEY)


def arrow(right):
    c = glyph(15, 14)
    pts = [(1, 4.5), (8, 4.5), (8, 0.5), (14.5, 7), (8, 13.5), (8, 9.5), (1, 9.5)]
    if not right:
        pts = [(15 - x, y) for x, y in pts]
    c.polygon(pts, (0, 100, 0))
    inner = [(2, 5.5), (9, 5.5), (9, 3), (13, 7), (9, 11), (9, 8.5), (2, 8.5)]
    if not right:
        inner = [(15 - x, y) for x, y in inner]
    c.polygon(inner, (60, 190, 60))
    return c


def check_mark(colour):
    c = glyph(12, 10)
    c.polygon([(0.5, 5), (2.5, 3), (4.5, 5), (9.5, 0), (11.5, 2), (4.5, 9), (0.5, 5)], colour)
    return c


def play_mark():
    c = glyph(12, 10)
    c.polygon([(2, 0), (11, 5), (2, 10)], (0, 110, 0))
    c.polygon([(3, 2), (9, 5), (3, 8)], (70, 200, 70))
    return c


def help_glyph():
    c = glyph(16, 16)
    c.disc(8, 8, 7.6, (20, 70, 170))
    c.disc(8, 8, 6.4, (60, 130, 230))
    c.text(6, 4, '?', 1, (255, 255, 255), 0)
    return c


def report_glyph():
    c = glyph(16, 16)
    c.rect(2, 0, 12, 15, (90, 90, 90))
    c.rect(3, 1, 10, 13, (255, 255, 255))
    for y in range(3, 14, 2):
        c.rect(4, y, 8 if y % 4 == 3 else 6, 1, (40, 80, 160))
    return c


def quit_glyph():
    c = glyph(16, 16)
    c.disc(8, 8, 7.6, (150, 0, 0))
    c.disc(8, 8, 6.4, (220, 40, 40))
    for i in range(7):
        c.rect(4 + i, 4 + i, 2, 1, (255, 255, 255))
        c.rect(10 - i, 4 + i, 2, 1, (255, 255, 255))
    return c


def options_glyph():
    c = glyph(20, 17)
    c.rect(0, 0, 20, 16, (80, 80, 80))
    c.rect(1, 1, 18, 14, (236, 236, 236))
    for k, pos in enumerate((5, 12, 8)):
        y = 3 + 5 * k
        c.rect(3, y + 1, 14, 1, (100, 100, 100))
        c.rect(pos, y - 1, 3, 5, (30, 90, 180))
    return c


def gear_glyph():
    c = glyph(16, 16)
    import math
    pts = []
    for k in range(32):
        angle = k * math.pi / 16
        r = 7.5 if (k // 2) % 2 == 0 else 5.5
        pts.append((8 + r * math.cos(angle), 8 + r * math.sin(angle)))
    c.polygon(pts, (90, 95, 105))
    c.disc(8, 8, 2.5, KEY)
    return c


def palette_glyph():
    c = glyph(16, 16)
    c.disc(8, 8, 7.5, (120, 85, 40))
    c.disc(8, 8, 6.5, (225, 190, 140))
    c.disc(11, 11, 2, KEY)
    for (x, y), colour in zip(((5, 5), (9, 4), (4, 9)), ((220, 30, 30), (30, 150, 30),
                                                         (30, 60, 220))):
        c.disc(x, y, 1.6, colour)
    return c


def diskette_glyph():
    c = glyph(16, 16)
    c.polygon([(1, 0), (14, 0), (16, 2), (16, 15), (1, 15)], (30, 50, 110))
    c.rect(4, 0, 8, 5, (200, 205, 215))
    c.rect(9, 1, 2, 3, (30, 50, 110))
    c.rect(3, 8, 10, 6, (250, 250, 250))
    c.rect(4, 10, 8, 1, (120, 130, 150))
    c.rect(4, 12, 8, 1, (120, 130, 150))
    return c


def globe_glyph():
    c = glyph(16, 16)
    c.disc(8, 8, 7.6, (20, 80, 160))
    c.disc(8, 8, 6.6, (90, 160, 230))
    c.polygon([(4, 4), (8, 3), (9, 6), (6, 8), (7, 11), (4, 10)], (60, 150, 60))
    c.polygon([(10, 8), (13, 8), (12, 12), (10, 12)], (60, 150, 60))
    return c


def book_glyph():
    c = glyph(16, 16)
    c.rect(2, 1, 12, 14, (120, 30, 30))
    c.rect(4, 2, 9, 11, (250, 245, 225))
    c.rect(2, 13, 12, 2, (250, 245, 225))
    c.rect(2, 15, 12, 1, (120, 30, 30))
    c.rect(3, 1, 1, 14, (80, 10, 10))
    c.text(7, 4, 'I', 1, (30, 60, 160), 0)
    return c


def about_title():
    c = Canvas(330, 115, (0, 0, 0))
    c.gradient((20, 52, 88), (130, 176, 206))
    for k in range(1, 8, 2):
        c.ring(300, 150, 40 + 24 * k, 1.5, (255, 255, 255), True)
    kestrel(c, 290, 48, 64, (250, 250, 250))
    c.text(16, 20, 'KESTRIX', 6, (10, 28, 50))
    c.text(14, 18, 'KESTRIX', 6, (255, 255, 255))
    c.text(16, 86, 'VERSION 1.1', 2, (226, 236, 244))
    return c


def about_logo():
    c = Canvas(75, 90, (0, 0, 0))
    c.gradient((210, 226, 238), (120, 160, 190))
    floppy(c, 10, 24, 56, (40, 60, 90), (200, 205, 215), (245, 245, 240))
    kestrel(c, 38, 14, 52, (30, 50, 80))
    return c


def main():
    side_picture().png('logo.png')
    texture_tile()
    arrow(True).png('suivant.png', keyed=True)
    arrow(False).png('precedent.png', keyed=True)
    help_glyph().png('aide.png', keyed=True)
    options_glyph().png('options.png', keyed=True)
    check_mark((0, 120, 0)).png('valider.png', keyed=True)
    play_mark().png('demarrer.png', keyed=True)
    report_glyph().png('rapport.png', keyed=True)
    quit_glyph().png('quitter.png', keyed=True)
    gear_glyph().png('optgen.png', keyed=True)
    palette_glyph().png('optaff.png', keyed=True)
    diskette_glyph().png('optenreg.png', keyed=True)
    globe_glyph().png('html.png', keyed=True)
    book_glyph().png('hlp.png', keyed=True)
    about_title().png('about_title.png')
    about_logo().png('about_logo.png')


if __name__ == '__main__':
    main()
