#!/usr/bin/env python3
"""Draws the program icon (a page of names with a pencil) as 16x16 and 32x32 PNGs.

Run from anywhere; writes icon-16.png and icon-32.png beside this script. Only the
standard library is used, so the icons can be redrawn on any machine.
"""
import pathlib
import struct
import zlib

SAMPLES = 4  # per pixel and axis, for smooth edges

OUTLINE = (72, 82, 94, 255)
PAPER = (255, 255, 255, 255)
FOLD = (200, 208, 216, 255)
TEXT = (52, 116, 200, 255)
PENCIL = (240, 160, 40, 255)
PENCIL_EDGE = (176, 100, 20, 255)
WOOD = (246, 214, 160, 255)
LEAD = (40, 40, 40, 255)


def inside(polygon, x, y):
    """True when (x, y) lies in the convex polygon given clockwise on screen."""
    n = len(polygon)
    for i in range(n):
        (x0, y0), (x1, y1) = polygon[i], polygon[(i + 1) % n]
        if (x1 - x0) * (y - y0) - (y1 - y0) * (x - x0) < 0:
            return False
    return True


def rect(left, top, right, bottom):
    return [(left, top), (right, top), (right, bottom), (left, bottom)]


def along(start, end, width, t0, t1):
    """The part t0..t1 of a bar of `width` from `start` to `end`."""
    (sx, sy), (ex, ey) = start, end
    dx, dy = ex - sx, ey - sy
    length = (dx * dx + dy * dy) ** 0.5
    nx, ny = -dy / length * width / 2, dx / length * width / 2
    a = (sx + dx * t0, sy + dy * t0)
    b = (sx + dx * t1, sy + dy * t1)
    return [(a[0] - nx, a[1] - ny), (b[0] - nx, b[1] - ny), (b[0] + nx, b[1] + ny),
            (a[0] + nx, a[1] + ny)]


def layers(size):
    px = 1.0 / size  # one pixel in the unit square
    page = [(0.14, 0.05), (0.62, 0.05), (0.82, 0.25), (0.82, 0.95), (0.14, 0.95)]
    paper = [(0.14 + px, 0.05 + px), (0.62 - px / 2, 0.05 + px), (0.82 - px, 0.25 + px / 2),
             (0.82 - px, 0.95 - px), (0.14 + px, 0.95 - px)]
    fold = [(0.62, 0.05), (0.82, 0.25), (0.62, 0.25)]
    lines = [rect(0.26, y, 0.68, y + max(0.07, px)) for y in (0.36, 0.52, 0.68)]
    tip, tail = (0.50, 0.90), (0.95, 0.45)
    edge = along(tip, tail, 0.20, 0.30, 1.0)
    sx, sy = tip
    ex, ey = tail
    dx, dy = (ex - sx) * 0.30, (ey - sy) * 0.30
    nx, ny = (ey - sy), -(ex - sx)
    norm = (nx * nx + ny * ny) ** 0.5
    nx, ny = nx / norm * 0.10, ny / norm * 0.10
    wood = [(sx, sy), (sx + dx - nx, sy + dy - ny), (sx + dx + nx, sy + dy + ny)]
    lead = [(sx, sy), (sx + dx * 0.4 - nx * 0.4, sy + dy * 0.4 - ny * 0.4),
            (sx + dx * 0.4 + nx * 0.4, sy + dy * 0.4 + ny * 0.4)]
    inner = along(tip, tail, 0.20 - 2 * px, 0.30, 1.0 - px)
    return [(page, OUTLINE), (paper, PAPER), (fold, FOLD)] + [(l, TEXT) for l in lines] + [
        (edge, PENCIL_EDGE), (inner, PENCIL), (wood, WOOD), (lead, LEAD)]


def convex(polygon):
    """The polygon in the winding `inside` expects."""
    area = 0.0
    for i in range(len(polygon)):
        (x0, y0), (x1, y1) = polygon[i], polygon[(i + 1) % len(polygon)]
        area += x0 * y1 - x1 * y0
    return polygon if area > 0 else list(reversed(polygon))


def render(size):
    shapes = [(convex(p), c) for p, c in layers(size)]
    pixels = []
    for row in range(size):
        for col in range(size):
            r = g = b = a = 0.0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (col + (sx + 0.5) / SAMPLES) / size
                    y = (row + (sy + 0.5) / SAMPLES) / size
                    colour = (0, 0, 0, 0)
                    for polygon, fill in shapes:
                        if inside(polygon, x, y):
                            colour = fill
                    r, g, b, a = r + colour[0] * colour[3], g + colour[1] * colour[3], \
                        b + colour[2] * colour[3], a + colour[3]
            n = SAMPLES * SAMPLES
            if a == 0:
                pixels.append((0, 0, 0, 0))
            else:
                pixels.append((round(r / a), round(g / a), round(b / a), round(a / n)))
    return pixels


def png(size, pixels):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    raw = b"".join(b"\x00" + bytes(v for p in pixels[r * size:(r + 1) * size] for v in p)
                   for r in range(size))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    here = pathlib.Path(__file__).resolve().parent
    for size in (16, 32):
        (here / f"icon-{size}.png").write_bytes(png(size, render(size)))


if __name__ == "__main__":
    main()
