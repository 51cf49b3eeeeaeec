#!/usr/bin/env python3
"""Draws the program's icons and button bitmaps and writes them into res/.

Pure Python (no imaging library): each picture is a list of filled shapes rendered with 4x4
supersampling. Bitmaps are drawn on RGB(192,192,192), which the program maps to the button face
colour when it loads them (LR_LOADMAP3DCOLORS). Run: python3 tools/make-pictures.py
"""
import math
import os
import struct
import sys

SS = 4  # supersamples per axis


def inside_poly(x, y, pts):
    c = False
    n = len(pts)
    for i in range(n):
        x1, y1 = pts[i]
        x2, y2 = pts[(i + 1) % n]
        if (y1 > y) != (y2 > y):
            if x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                c = not c
    return c


def seg_dist(x, y, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    l2 = dx * dx + dy * dy
    t = 0 if l2 == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / l2))
    px, py = ax + t * dx, ay + t * dy
    return math.hypot(x - px, y - py)


# Shapes work in a 0..1 unit square, so one drawing serves every size.
def poly(pts, color):
    return (lambda x, y: inside_poly(x, y, pts), color)


def rect(x0, y0, x1, y1, color, r=0.0):
    def f(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return math.hypot(x - cx, y - cy) <= r + 1e-9
    return (f, color)


def circle(cx, cy, r, color):
    return (lambda x, y: math.hypot(x - cx, y - cy) <= r, color)


def ring(cx, cy, r0, r1, color):
    return (lambda x, y: r0 <= math.hypot(x - cx, y - cy) <= r1, color)


def line(pts, w, color):
    def f(x, y):
        return any(seg_dist(x, y, pts[i], pts[i + 1]) <= w / 2 for i in range(len(pts) - 1))
    return (f, color)


def render(shapes, w, h, bg=None):
    """Returns rows of (r, g, b, a) floats 0..255, top row first."""
    rows = []
    for py in range(h):
        row = []
        for px in range(w):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SS):
                for sx in range(SS):
                    x = (px + (sx + 0.5) / SS) / w
                    y = (py + (sy + 0.5) / SS) / h
                    col = bg
                    for test, c in shapes:
                        if test(x, y):
                            col = c
                    if col is not None:
                        a = col[3] if len(col) > 3 else 255
                        acc[0] += col[0] * a
                        acc[1] += col[1] * a
                        acc[2] += col[2] * a
                        acc[3] += a
            n = SS * SS
            a = acc[3] / n
            if acc[3] > 0:
                row.append((acc[0] / acc[3], acc[1] / acc[3], acc[2] / acc[3], a))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def ico_image(rows):
    h = len(rows)
    w = len(rows[0])
    hdr = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pix = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pix += bytes((round(b), round(g), round(r), round(a)))
    mask_stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return hdr + pix + mask


def write_ico(path, shapes, sizes):
    images = [ico_image(render(shapes, s, s)) for s in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    for img in images:
        out += img
    with open(path, "wb") as f:
        f.write(out)


FACE = (192, 192, 192)


def write_bmp(path, shapes, w, h):
    rows = render(shapes, w, h, bg=FACE + (255,))
    stride = (w * 3 + 3) // 4 * 4
    pix = bytearray()
    for row in reversed(rows):
        line_bytes = bytearray()
        for r, g, b, _ in row:
            line_bytes += bytes((round(b), round(g), round(r)))
        line_bytes += bytes(stride - len(line_bytes))
        pix += line_bytes
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pix), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pix), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(head + info + pix)


NAVY = (30, 50, 90)
STEEL = (150, 165, 185)
GREEN = (40, 170, 60)
DKGREEN = (20, 110, 35)
RED = (205, 40, 35)
DKRED = (140, 20, 20)
WHITE = (255, 255, 255)
BLACK = (20, 20, 20)
PAPER = (250, 250, 245)
BLUE = (50, 100, 200)
YELLOW = (240, 200, 60)

# 128: the application: a server rack with a heartbeat line (launch and watch).
APP = [
    rect(0.06, 0.10, 0.94, 0.90, NAVY, 0.10),
    rect(0.16, 0.20, 0.84, 0.38, STEEL, 0.03),
    rect(0.16, 0.62, 0.84, 0.80, STEEL, 0.03),
    circle(0.74, 0.29, 0.05, GREEN),
    circle(0.74, 0.71, 0.05, GREEN),
    line([(0.08, 0.50), (0.34, 0.50), (0.42, 0.36), (0.52, 0.66), (0.60, 0.50), (0.92, 0.50)], 0.08,
         (90, 230, 110)),
]

# 149: send the command: a return arrow.
ENTER = [
    line([(0.78, 0.16), (0.78, 0.58), (0.34, 0.58)], 0.16, DKGREEN),
    poly([(0.06, 0.58), (0.40, 0.28), (0.40, 0.88)], DKGREEN),
    line([(0.78, 0.20), (0.78, 0.55), (0.36, 0.55)], 0.08, GREEN),
]

# 150: stop the server: a red octagon with a white bar.
def octagon(cx, cy, r, color):
    pts = [(cx + r * math.cos(math.pi / 8 + i * math.pi / 4), cy + r * math.sin(math.pi / 8 + i * math.pi / 4))
           for i in range(8)]
    return poly(pts, color)


STOP = [octagon(0.5, 0.5, 0.48, DKRED), octagon(0.5, 0.5, 0.42, RED), rect(0.22, 0.42, 0.78, 0.58, WHITE, 0.02)]

# 148: remove the stored command: a red cross.
REMOVE = [
    line([(0.18, 0.18), (0.82, 0.82)], 0.22, DKRED),
    line([(0.82, 0.18), (0.18, 0.82)], 0.22, DKRED),
    line([(0.20, 0.20), (0.80, 0.80)], 0.13, RED),
    line([(0.80, 0.20), (0.20, 0.80)], 0.13, RED),
]

# 151: edit the map list: a sheet with lines and a pencil.
def pencil(x0, y0, x1, y1, w):
    # body from (x0,y0) (eraser end) to (x1,y1) (tip)
    dx, dy = x1 - x0, y1 - y0
    ln = math.hypot(dx, dy)
    ux, uy = dx / ln, dy / ln
    nx, ny = -uy * w / 2, ux * w / 2
    bx, by = x1 - ux * w * 1.2, y1 - uy * w * 1.2
    return [
        poly([(x0 + nx, y0 + ny), (bx + nx, by + ny), (bx - nx, by - ny), (x0 - nx, y0 - ny)], YELLOW),
        poly([(bx + nx, by + ny), (x1, y1), (bx - nx, by - ny)], (230, 190, 140)),
        poly([(x1 - ux * w * 0.45 + nx * 0.4, y1 - uy * w * 0.45 + ny * 0.4), (x1, y1),
              (x1 - ux * w * 0.45 - nx * 0.4, y1 - uy * w * 0.45 - ny * 0.4)], BLACK),
        poly([(x0 + nx, y0 + ny), (x0 + ux * w * 0.5 + nx, y0 + uy * w * 0.5 + ny),
              (x0 + ux * w * 0.5 - nx, y0 + uy * w * 0.5 - ny), (x0 - nx, y0 - ny)], (220, 90, 90)),
    ]


MAPEDIT = [
    rect(0.06, 0.04, 0.70, 0.96, BLACK),
    rect(0.12, 0.10, 0.64, 0.90, PAPER),
    rect(0.20, 0.22, 0.56, 0.30, BLUE),
    rect(0.20, 0.42, 0.56, 0.50, BLUE),
    rect(0.20, 0.62, 0.50, 0.70, BLUE),
] + pencil(0.94, 0.10, 0.42, 0.92, 0.22)

ADD = [rect(0.40, 0.08, 0.60, 0.92, DKGREEN), rect(0.08, 0.40, 0.92, 0.60, DKGREEN),
       rect(0.44, 0.12, 0.56, 0.88, GREEN), rect(0.12, 0.44, 0.88, 0.56, GREEN)]
EDIT = pencil(0.90, 0.10, 0.10, 0.90, 0.30)
DELETE = [rect(0.08, 0.40, 0.92, 0.60, DKRED), rect(0.12, 0.44, 0.88, 0.56, RED)]


def main():
    res = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res")
    out = os.path.join(res, "pictures")
    os.makedirs(out, exist_ok=True)
    write_ico(os.path.join(out, "app.ico"), APP, [16, 32, 48])
    write_ico(os.path.join(out, "enter.ico"), ENTER, [16, 32])
    write_ico(os.path.join(out, "stop.ico"), STOP, [16, 32])
    write_ico(os.path.join(out, "remove_command.ico"), REMOVE, [16, 32])
    write_bmp(os.path.join(out, "map_editor.bmp"), MAPEDIT, 14, 14)
    write_bmp(os.path.join(out, "add_setmaster.bmp"), ADD, 14, 14)
    write_bmp(os.path.join(out, "edit_setmaster.bmp"), EDIT, 14, 14)
    write_bmp(os.path.join(out, "remove_setmaster.bmp"), DELETE, 14, 14)
    return 0


if __name__ == "__main__":
    sys.exit(main())
