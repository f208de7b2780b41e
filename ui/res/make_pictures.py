#!/usr/bin/env python3
"""Draws Morvane's pictures and writes them as Windows bitmaps and icons.

Every picture is described here with a few shapes on a design grid (16 units
for the small pictures) and rendered with 4x4 supersampling into 32-bit
pixels with a straight (not premultiplied) alpha channel, which is what the
image lists of common controls 6 expect. Nothing is read from anywhere else:
run `python3 ui/res/make_pictures.py` after changing a drawing and commit the
files it writes into ui/res/.

Written files:
  pictures<S>.bmp  the 29 small pictures side by side, S x S each, S = 16, 20, 24, 32
  buttons<S>.bmp   the five tool bar button pictures, S = 24, 30, 36, 48
  busy<S>.bmp      the busy animation frames side by side, 48x32 scaled by S percent
  warning.ico      the warning triangle, 16 and 32 pixels
  morvane.ico      the program icon, 16, 32 and 48 pixels
"""

import math
import os
import struct
import sys

SS = 4  # samples per pixel along each axis

# --------------------------------------------------------------------------
# Shapes: each is (bbox, inside(x, y)) in design units.


def rect(x0, y0, x1, y1):
    return ((x0, y0, x1, y1), lambda x, y: x0 <= x < x1 and y0 <= y < y1)


def rrect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return ((x0, y0, x1, y1), inside)


def ellipse(cx, cy, rx, ry=None):
    ry = rx if ry is None else ry
    return ((cx - rx, cy - ry, cx + rx, cy + ry),
            lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0)


def ring(cx, cy, r_out, r_in):
    return ((cx - r_out, cy - r_out, cx + r_out, cy + r_out),
            lambda x, y: r_in * r_in <= (x - cx) ** 2 + (y - cy) ** 2 <= r_out * r_out)


def polygon(pts):
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    n = len(pts)

    def inside(x, y):
        c = False
        j = n - 1
        for i in range(n):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                c = not c
            j = i
        return c
    return ((min(xs), min(ys), max(xs), max(ys)), inside)


def _seg_dist2(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    ll = dx * dx + dy * dy
    t = 0.0 if ll == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / ll))
    qx, qy = ax + t * dx, ay + t * dy
    return (px - qx) ** 2 + (py - qy) ** 2


def stroke(pts, width):
    h = width / 2.0
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    segs = list(zip(pts, pts[1:]))

    def inside(x, y):
        for (a, b) in segs:
            if _seg_dist2(x, y, a[0], a[1], b[0], b[1]) <= h * h:
                return True
        return False
    return ((min(xs) - h, min(ys) - h, max(xs) + h, max(ys) + h), inside)


def arc_points(cx, cy, r, a0, a1, steps=24):
    """Points of an arc; angles in degrees, 0 = right, growing clockwise (y down)."""
    return [(cx + r * math.cos(math.radians(a0 + (a1 - a0) * i / steps)),
             cy + r * math.sin(math.radians(a0 + (a1 - a0) * i / steps)))
            for i in range(steps + 1)]


def star_points(cx, cy, r_out, r_in, n=5, rot=-90):
    pts = []
    for i in range(2 * n):
        r = r_out if i % 2 == 0 else r_in
        a = math.radians(rot + i * 180.0 / n)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def gear_points(cx, cy, r_out, r_in, teeth, rot=0.0):
    pts = []
    step = 360.0 / teeth
    for i in range(teeth):
        a = rot + i * step
        for da, r in ((-0.30, r_in), (-0.17, r_out), (0.17, r_out), (0.30, r_in)):
            ang = math.radians(a + da * step)
            pts.append((cx + r * math.cos(ang), cy + r * math.sin(ang)))
    return pts


def minus(a, b):
    """Shape a without shape b."""
    return (a[0], lambda x, y: a[1](x, y) and not b[1](x, y))


def union(*shapes):
    x0 = min(s[0][0] for s in shapes)
    y0 = min(s[0][1] for s in shapes)
    x1 = max(s[0][2] for s in shapes)
    y1 = max(s[0][3] for s in shapes)
    return ((x0, y0, x1, y1), lambda x, y: any(s[1](x, y) for s in shapes))


def intersect(a, b):
    return (a[0], lambda x, y: a[1](x, y) and b[1](x, y))


def moved(shape, dx, dy, k=1.0):
    """The shape scaled by k around the origin, then moved."""
    (x0, y0, x1, y1), f = shape
    return ((x0 * k + dx, y0 * k + dy, x1 * k + dx, y1 * k + dy),
            lambda x, y: f((x - dx) / k, (y - dy) / k))


# --------------------------------------------------------------------------
# Colours: (r, g, b) or (r, g, b, a) with components 0..255, or a function
# (x, y) -> colour for gradients.


def hexc(s, a=255):
    s = s.lstrip('#')
    return (int(s[0:2], 16), int(s[2:4], 16), int(s[4:6], 16), a)


def vgrad(c0, c1, y0, y1):
    c0, c1 = hexc(c0), hexc(c1)

    def f(x, y):
        t = 0.0 if y1 == y0 else max(0.0, min(1.0, (y - y0) / (y1 - y0)))
        return tuple(c0[i] + (c1[i] - c0[i]) * t for i in range(4))
    return f


def dgrad(c0, c1, x0, y0, x1, y1):
    c0, c1 = hexc(c0), hexc(c1)
    dx, dy = x1 - x0, y1 - y0
    ll = dx * dx + dy * dy

    def f(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / ll))
        return tuple(c0[i] + (c1[i] - c0[i]) * t for i in range(4))
    return f


class Canvas:
    """Premultiplied float RGBA pixels; `units` design units across `size` pixels."""

    def __init__(self, w, h, scale):
        self.w, self.h, self.k = w, h, scale
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(w * h)]

    def draw(self, shape, colour):
        (x0, y0, x1, y1), inside = shape
        k = self.k
        i0 = max(0, int(math.floor(x0 * k)))
        i1 = min(self.w, int(math.ceil(x1 * k)) + 1)
        j0 = max(0, int(math.floor(y0 * k)))
        j1 = min(self.h, int(math.ceil(y1 * k)) + 1)
        fixed = None if callable(colour) else (colour if len(colour) == 4 else tuple(colour) + (255,))
        inv = 1.0 / (SS * SS)
        offs = [(a + 0.5) / SS for a in range(SS)]
        for j in range(j0, j1):
            for i in range(i0, i1):
                hit = 0
                for oy in offs:
                    y = (j + oy) / k
                    for ox in offs:
                        if inside((i + ox) / k, y):
                            hit += 1
                if not hit:
                    continue
                c = fixed if fixed else colour((i + 0.5) / k, (j + 0.5) / k)
                a = (c[3] / 255.0) * hit * inv
                p = self.px[j * self.w + i]
                p[0] = c[0] / 255.0 * a + p[0] * (1 - a)
                p[1] = c[1] / 255.0 * a + p[1] * (1 - a)
                p[2] = c[2] / 255.0 * a + p[2] * (1 - a)
                p[3] = a + p[3] * (1 - a)

    def rgba(self):
        """Rows top to bottom of straight (r, g, b, a) byte tuples."""
        out = []
        for j in range(self.h):
            row = []
            for i in range(self.w):
                r, g, b, a = self.px[j * self.w + i]
                if a <= 0.0:
                    row.append((0, 0, 0, 0))
                else:
                    row.append((min(255, round(r / a * 255)), min(255, round(g / a * 255)),
                                min(255, round(b / a * 255)), min(255, round(a * 255))))
            out.append(row)
        return out


# --------------------------------------------------------------------------
# Reusable drawings on a 16-unit grid.

OUTLINE = '#2b2b2b'


def glyph_one(c, x, y, s, colour):
    """A bold digit 1 in a box at (x, y), s units high."""
    w = s * 0.55
    c.draw(rect(x + w * 0.35, y, x + w * 0.75, y + s), colour)
    c.draw(polygon([(x + w * 0.35, y), (x + w * 0.75, y), (x + w * 0.35, y + s * 0.35),
                    (x, y + s * 0.35), (x, y + s * 0.22)]), colour)
    c.draw(rect(x + w * 0.05, y + s * 0.82, x + w * 1.05, y + s), colour)


def badge_one(c):
    c.draw(ellipse(12.0, 12.0, 4.0), hexc('#ffffff'))
    c.draw(ellipse(12.0, 12.0, 3.4), hexc('#1f5fbf'))
    glyph_one(c, 10.7, 9.6, 5.0, hexc('#ffffff'))


def draw_star(c, fill0, fill1, line):
    pts = star_points(8, 8.6, 7.6, 3.1)
    c.draw(polygon(pts), hexc(line))
    inner = star_points(8, 8.6, 6.2, 2.5)
    c.draw(polygon(inner), dgrad(fill0, fill1, 5, 3, 11, 14))


def draw_screen(c):
    c.draw(rrect(0.5, 1.5, 15.5, 12.0, 1.2), hexc('#3a3f47'))
    c.draw(rect(1.7, 2.7, 14.3, 10.8), vgrad('#7fc4ff', '#1d63c9', 2.7, 10.8))
    c.draw(polygon([(2.2, 3.2), (9.0, 3.2), (2.2, 8.0)]), (255, 255, 255, 70))
    c.draw(polygon([(6.2, 12.0), (9.8, 12.0), (10.6, 14.0), (5.4, 14.0)]), hexc('#5b6169'))
    c.draw(rrect(3.5, 13.6, 12.5, 15.4, 0.6), hexc('#3a3f47'))


def cube(c, x, y, s, top, left, right):
    """An isometric cube whose top corner is at (x, y), edge s."""
    h = s * 0.5
    c.draw(polygon([(x, y), (x + s, y + h), (x, y + 2 * h), (x - s, y + h)]), hexc(top))
    c.draw(polygon([(x - s, y + h), (x, y + 2 * h), (x, y + 2 * h + s), (x - s, y + h + s)]),
           hexc(left))
    c.draw(polygon([(x, y + 2 * h), (x + s, y + h), (x + s, y + h + s), (x, y + 2 * h + s)]),
           hexc(right))


def draw_cubes(c):
    cube(c, 4.6, 6.4, 3.8, '#9fe3ff', '#2f8fd8', '#1b5ea3')
    cube(c, 11.4, 6.4, 3.8, '#b7f0c0', '#3bb061', '#237a3e')
    cube(c, 8.0, 0.6, 3.8, '#ffc9ef', '#c44fb0', '#8c2d7d')


def draw_folder(c):
    c.draw(polygon([(0.6, 3.0), (5.6, 3.0), (7.2, 4.6), (15.2, 4.6), (15.2, 14.2), (0.6, 14.2)]),
           hexc('#a8761a'))
    c.draw(polygon([(1.3, 3.7), (5.3, 3.7), (6.9, 5.3), (14.5, 5.3), (14.5, 13.5), (1.3, 13.5)]),
           vgrad('#ffd86b', '#e9a825', 3.7, 13.5))
    c.draw(polygon([(0.4, 6.6), (15.6, 6.6), (15.0, 14.2), (1.0, 14.2)]), hexc('#a8761a'))
    c.draw(polygon([(1.2, 7.3), (14.8, 7.3), (14.3, 13.5), (1.7, 13.5)]),
           vgrad('#ffe89a', '#f3b93a', 7.3, 13.5))


def gear(c, cx, cy, r_out, r_in, teeth, hole, fill0, fill1, line, rot=0.0):
    outer = polygon(gear_points(cx, cy, r_out, r_in, teeth, rot))
    c.draw(minus(outer, ellipse(cx, cy, hole)), hexc(line))
    inner = polygon(gear_points(cx, cy, r_out - 0.8, r_in - 0.8, teeth, rot))
    c.draw(minus(inner, ellipse(cx, cy, hole + 0.8)), dgrad(fill0, fill1, cx - r_out, cy - r_out,
                                                              cx + r_out, cy + r_out))


def draw_gears(c, with_one=False):
    gear(c, 6.0, 6.2, 5.9, 4.4, 8, 1.6, '#d9e1ea', '#6d7f94', '#38434f', rot=10)
    gear(c, 11.9, 11.7, 4.0, 2.9, 7, 1.1, '#ffd27a', '#c98a16', '#6b4a0e', rot=0)
    if with_one:
        badge_one(c)


def person(c, cx, top, s, light, dark):
    c.draw(ellipse(cx, top + 2.6 * s, 2.9 * s, 2.9 * s), hexc(OUTLINE))
    c.draw(ellipse(cx, top + 2.6 * s, 2.2 * s, 2.2 * s), hexc('#f6c99b'))
    body = intersect(ellipse(cx, top + 10.6 * s, 5.2 * s, 5.0 * s),
                     rect(cx - 6 * s, top + 5.4 * s, cx + 6 * s, top + 10.2 * s))
    c.draw(body, hexc(OUTLINE))
    inner = intersect(ellipse(cx, top + 10.6 * s, 4.5 * s, 4.3 * s),
                      rect(cx - 6 * s, top + 6.1 * s, cx + 6 * s, top + 9.6 * s))
    c.draw(inner, vgrad(light, dark, top + 6 * s, top + 10 * s))


def draw_people(c):
    person(c, 10.6, 0.4, 1.0, '#8ee08a', '#2f8f35')
    person(c, 5.6, 3.4, 1.15, '#8cc3ff', '#1f5fbf')


def draw_flag(c, with_one=False):
    def quad(x0, y0, x1, y1, col):
        # a little perspective: the right side leans, as a flag in the wind
        c.draw(polygon([(x0, y0 + 0.5), (x1, y0), (x1, y1 - 0.3), (x0, y1)]), hexc(col))
    quad(1.0, 1.5, 7.6, 7.6, '#f25022')
    quad(8.4, 1.0, 15.0, 7.3, '#7fba00')
    quad(1.0, 8.4, 7.6, 14.6, '#00a4ef')
    quad(8.4, 8.1, 15.0, 14.2, '#ffb900')
    if with_one:
        badge_one(c)


def globe(c, cx, cy, r):
    c.draw(ellipse(cx, cy, r), hexc('#174c8a'))
    c.draw(ellipse(cx, cy, r - 0.7), dgrad('#8fd3ff', '#1f74c8', cx - r, cy - r, cx + r, cy + r))
    land = hexc('#3aa845')
    k = r / 6.5
    c.draw(intersect(polygon([(cx - 4.5 * k, cy - 3.8 * k), (cx - 1.0 * k, cy - 5.0 * k),
                              (cx + 0.5 * k, cy - 2.5 * k), (cx - 1.2 * k, cy - 0.5 * k),
                              (cx - 0.6 * k, cy + 2.8 * k), (cx - 2.6 * k, cy + 4.6 * k),
                              (cx - 3.2 * k, cy + 0.5 * k), (cx - 5.6 * k, cy - 1.0 * k)]),
                     ellipse(cx, cy, r - 0.7)), land)
    c.draw(intersect(polygon([(cx + 1.8 * k, cy - 4.8 * k), (cx + 5.0 * k, cy - 2.8 * k),
                              (cx + 5.6 * k, cy + 1.0 * k), (cx + 3.4 * k, cy + 4.4 * k),
                              (cx + 1.8 * k, cy + 1.6 * k), (cx + 2.6 * k, cy - 1.4 * k)]),
                     ellipse(cx, cy, r - 0.7)), land)
    c.draw(intersect(ring(cx, cy, r - 0.7, r - 1.2), rect(cx - r, cy - r, cx + r, cy)),
           (255, 255, 255, 90))


def draw_globe_magenta(c):
    c.draw(rect(0, 0, 16, 16), hexc('#ff00ff'))
    globe(c, 8, 8, 6.5)


def draw_wave(c):
    pts = [(0.5 + i * 0.25, 8 + 2.6 * math.sin((0.5 + i * 0.25) * math.pi / 2.5))
           for i in range(61)]
    c.draw(stroke(pts, 1.8), hexc('#e01010'))


def draw_checkbox(c, ticked):
    c.draw(rect(1, 1, 14, 14), hexc('#1c5180'))
    c.draw(rect(2, 2, 13, 13), dgrad('#dcdcd6', '#ffffff', 2, 2, 10, 10))
    if ticked:
        c.draw(stroke([(4.0, 7.2), (6.3, 9.8), (11.0, 4.3)], 2.1), hexc('#21a121'))


def draw_tick(c):
    c.draw(stroke([(2.2, 8.4), (6.2, 12.6), (13.8, 3.6)], 4.0), hexc('#1b6e1b'))
    c.draw(stroke([(2.2, 8.4), (6.2, 12.6), (13.8, 3.6)], 2.6), vgrad('#7be36f', '#2ea62e', 3, 13))


def draw_cross(c):
    for w, col in ((4.2, '#7a0a0a'), (2.8, '#ef3b2d')):
        c.draw(stroke([(3.0, 3.0), (13.0, 13.0)], w), hexc(col))
        c.draw(stroke([(13.0, 3.0), (3.0, 13.0)], w), hexc(col))


def draw_no_entry(c):
    c.draw(ellipse(8, 8, 7.5), hexc('#8a0b0b'))
    c.draw(ellipse(8, 8, 6.7), dgrad('#ff6a5a', '#c41010', 3, 2, 12, 14))
    c.draw(rect(3.2, 6.6, 12.8, 9.4), hexc('#ffffff'))


def exclamation(c, cx, top, h, colour):
    c.draw(polygon([(cx - 1.2, top), (cx + 1.2, top), (cx + 0.7, top + h * 0.66),
                    (cx - 0.7, top + h * 0.66)]), colour)
    c.draw(ellipse(cx, top + h * 0.9, 1.05), colour)


def question(c, cx, top, h, colour, w=1.7):
    s = h / 10.0
    pts = arc_points(cx, top + 2.9 * s, 2.7 * s, 190, 370, 16)
    pts += [(cx + 1.0 * s, top + 5.3 * s), (cx, top + 6.3 * s), (cx, top + 7.2 * s)]
    c.draw(stroke(pts, w), colour)
    c.draw(ellipse(cx, top + 9.1 * s, 1.05 * max(1.0, s * 0.9)), colour)


def draw_alert(c):
    c.draw(ellipse(8, 8, 7.5), hexc('#8a0b0b'))
    c.draw(ellipse(8, 8, 6.7), dgrad('#ff6a5a', '#c41010', 3, 2, 12, 14))
    exclamation(c, 8, 3.0, 10.4, hexc('#ffffff'))


def draw_parcel(c):
    # front, right side and top of a cardboard box, with its tape
    c.draw(polygon([(1.0, 5.0), (10.0, 5.0), (10.0, 15.0), (1.0, 15.0)]), hexc('#7a4d16'))
    c.draw(polygon([(1.6, 5.6), (9.4, 5.6), (9.4, 14.4), (1.6, 14.4)]),
           vgrad('#e9b56a', '#c98b3a', 5.6, 14.4))
    c.draw(polygon([(10.0, 5.0), (15.0, 1.5), (15.0, 11.5), (10.0, 15.0)]), hexc('#7a4d16'))
    c.draw(polygon([(10.6, 5.3), (14.4, 2.7), (14.4, 11.2), (10.6, 14.0)]), hexc('#b07628'))
    c.draw(polygon([(1.0, 5.0), (6.0, 1.5), (15.0, 1.5), (10.0, 5.0)]), hexc('#7a4d16'))
    c.draw(polygon([(2.4, 4.5), (6.3, 2.0), (13.6, 2.0), (9.7, 4.5)]), hexc('#f6cd8c'))
    c.draw(polygon([(4.6, 5.0), (9.6, 1.5), (11.4, 1.5), (6.4, 5.0)]), hexc('#d8c7a0'))
    c.draw(rect(4.6, 5.0, 6.4, 9.0), hexc('#d8c7a0'))


def circular_arrows(c, cx, cy, r, w, head, light, dark):
    col = dgrad(light, dark, cx - r, cy - r, cx + r, cy + r)
    for a0 in (200, 20):
        pts = arc_points(cx, cy, r, a0, a0 + 125, 20)
        c.draw(stroke(pts, w), col)
        ex, ey = pts[-1]
        ang = math.radians(a0 + 125)
        tx, ty = -math.sin(ang), math.cos(ang)  # direction of travel
        nx, ny = math.cos(ang), math.sin(ang)   # outward
        tip = (ex + tx * head * 1.1, ey + ty * head * 1.1)
        c.draw(polygon([tip, (ex + nx * head, ey + ny * head), (ex - nx * head, ey - ny * head)]),
               col)


def draw_refresh(c):
    circular_arrows(c, 8, 8, 5.2, 2.2, 2.8, '#7fe07a', '#1f8a2a')


def draw_globe_window(c):
    globe(c, 7.0, 7.0, 6.4)
    c.draw(rect(7.5, 7.5, 15.5, 15.0), hexc('#24466f'))
    c.draw(rect(8.2, 8.2, 14.8, 9.8), vgrad('#4f8fe0', '#2a5fb0', 8.2, 9.8))
    c.draw(rect(8.2, 10.4, 14.8, 14.3), hexc('#ffffff'))


def draw_pencil(c):
    body = [(3.2, 10.6), (11.0, 2.8), (13.2, 5.0), (5.4, 12.8)]
    c.draw(polygon(body), hexc('#6e0d0d'))
    c.draw(polygon([(3.9, 10.6), (11.0, 3.5), (12.5, 5.0), (5.4, 12.1)]),
           dgrad('#ff6b5e', '#b81414', 9, 3, 12, 7))
    c.draw(polygon([(11.0, 2.8), (12.6, 1.2), (14.8, 3.4), (13.2, 5.0)]), hexc('#c9c9c9'))
    c.draw(polygon([(3.2, 10.6), (5.4, 12.8), (1.4, 14.6)]), hexc('#f3d3a0'))
    c.draw(polygon([(1.9, 13.3), (2.7, 14.1), (1.4, 14.6)]), hexc('#333333'))


def draw_red_question(c):
    question(c, 8, 1.5, 13.5, hexc('#8a0b0b'), w=3.4)
    question(c, 8, 1.5, 13.5, hexc('#e52a1e'), w=2.2)


def red_square(c):
    c.draw(rrect(0.5, 0.5, 15.5, 15.5, 2.2), hexc('#7d0c0c'))
    c.draw(rrect(1.3, 1.3, 14.7, 14.7, 1.6), vgrad('#f0483a', '#b51212', 1.3, 14.7))


def draw_rating(c, which):
    red_square(c)
    white = hexc('#ffffff')
    if which == 0:
        question(c, 8, 3.0, 10.0, white, w=1.8)
    elif which == 1:
        exclamation(c, 8, 3.0, 10.4, white)
    elif which == 2:
        # recycling: three chasing arrows on a triangle
        for k in range(3):
            a = math.radians(-90 + k * 120)
            a2 = math.radians(-90 + k * 120 + 95)
            p0 = (8 + 4.6 * math.cos(a + 0.35), 8.6 + 4.6 * math.sin(a + 0.35))
            p1 = (8 + 4.6 * math.cos(a2 - 0.2), 8.6 + 4.6 * math.sin(a2 - 0.2))
            c.draw(stroke([p0, p1], 1.5), white)
            dx, dy = p1[0] - p0[0], p1[1] - p0[1]
            ll = math.hypot(dx, dy)
            dx, dy = dx / ll, dy / ll
            tip = (p1[0] + dx * 1.8, p1[1] + dy * 1.8)
            c.draw(polygon([tip, (p1[0] - dy * 1.6, p1[1] + dx * 1.6),
                            (p1[0] + dy * 1.6, p1[1] - dx * 1.6)]), white)
    elif which == 3:
        c.draw(stroke([(3.8, 8.2), (6.8, 11.2), (12.3, 4.6)], 2.3), white)
    else:
        c.draw(polygon(star_points(8, 8.5, 5.8, 2.4)), white)


def draw_info(c):
    c.draw(ellipse(8, 8, 7.5), hexc('#173f7a'))
    c.draw(ellipse(8, 8, 6.7), dgrad('#7fb8ff', '#1f5fbf', 3, 2, 12, 14))
    c.draw(ellipse(8, 4.6, 1.25), hexc('#ffffff'))
    c.draw(rect(6.9, 6.8, 9.1, 11.8), hexc('#ffffff'))
    c.draw(rect(5.8, 11.4, 10.2, 12.8), hexc('#ffffff'))
    c.draw(rect(5.8, 6.8, 9.1, 8.0), hexc('#ffffff'))


def draw_tasks(c):
    # a clipboard with lines, for the "More Tasks" menu
    c.draw(rrect(2.0, 1.8, 14.0, 15.4, 1.0), hexc('#6b4a1e'))
    c.draw(rect(3.0, 2.8, 13.0, 14.4), hexc('#ffffff'))
    c.draw(rrect(5.2, 0.8, 10.8, 3.8, 0.8), hexc('#6f7b88'))
    for y in (6.0, 8.6, 11.2):
        c.draw(rect(4.4, y, 5.8, y + 1.4), hexc('#2ea62e'))
        c.draw(rect(6.8, y + 0.3, 11.8, y + 1.1), hexc('#5a6470'))


def draw_consult(c):
    globe(c, 7.4, 8.6, 6.2)
    c.draw(rrect(8.6, 0.6, 15.6, 6.4, 1.4), hexc('#7a5a00'))
    c.draw(rrect(9.2, 1.2, 15.0, 5.8, 1.0), hexc('#ffe066'))
    question(c, 12.1, 1.6, 4.0, hexc('#7a5a00'), w=0.9)


def draw_apply(c):
    draw_tick(c)


def draw_warning(c):
    tri = [(8.0, 0.6), (15.6, 14.6), (0.4, 14.6)]
    c.draw(polygon(tri), hexc('#6b4e00'))
    c.draw(polygon([(8.0, 2.3), (14.3, 13.8), (1.7, 13.8)]), vgrad('#fff07a', '#f2b705', 3, 14))
    c.draw(polygon([(7.0, 5.0), (9.0, 5.0), (8.55, 10.4), (7.45, 10.4)]), hexc('#1a1a1a'))
    c.draw(ellipse(8.0, 12.1, 0.95), hexc('#1a1a1a'))


def draw_app(c):
    # the program: a window whose rows carry ticks, in front of a rising arrow
    c.draw(rrect(0.6, 1.6, 15.4, 14.8, 1.4), hexc('#173f7a'))
    c.draw(rrect(1.4, 2.4, 14.6, 14.0, 0.8), hexc('#ffffff'))
    c.draw(rect(1.4, 2.4, 14.6, 4.8), vgrad('#6fb0ff', '#1f5fbf', 2.4, 4.8))
    for i, y in enumerate((6.2, 8.6, 11.0)):
        c.draw(rect(3.0, y, 5.2, y + 1.8), hexc('#1c5180'))
        c.draw(rect(3.4, y + 0.4, 4.8, y + 1.4), hexc('#ffffff' if i == 1 else '#2ea62e'))
        c.draw(rect(6.2, y + 0.5, 12.8, y + 1.3), hexc('#8a96a3'))


PICTURES = [
    lambda c: draw_star(c, '#fff3a0', '#e0a000', '#7a5200'),    # 0 gold star
    draw_screen,                                                  # 1 computer screen
    draw_cubes,                                                   # 2 registry cubes
    draw_folder,                                                  # 3 folder
    draw_gears,                                                   # 4 gear wheels
    lambda c: draw_gears(c, True),                                # 5 gear wheels with a 1
    draw_people,                                                  # 6 two people
    draw_flag,                                                    # 7 window flag
    lambda c: draw_flag(c, True),                                 # 8 window flag with a 1
    draw_globe_magenta,                                           # 9 globe on magenta
    draw_wave,                                                    # 10 red wavy line
    lambda c: draw_checkbox(c, False),                            # 11 empty check box
    lambda c: draw_checkbox(c, True),                             # 12 ticked check box
    draw_tick,                                                    # 13 green tick
    draw_cross,                                                   # 14 red cross
    draw_no_entry,                                                # 15 no-entry sign
    draw_alert,                                                   # 16 red circle with !
    draw_parcel,                                                  # 17 parcel
    draw_refresh,                                                 # 18 circular arrows
    draw_globe_window,                                            # 19 globe with a window
    draw_pencil,                                                  # 20 red pencil
    lambda c: draw_star(c, '#ffd080', '#f07800', '#7a3a00'),    # 21 orange star
    lambda c: draw_star(c, '#ffffff', '#e8e2c8', '#9a9277'),    # 22 pale star
    draw_red_question,                                            # 23 red question mark
    lambda c: draw_rating(c, 0),                                  # 24 rating 0
    lambda c: draw_rating(c, 1),                                  # 25 rating 1
    lambda c: draw_rating(c, 2),                                  # 26 rating 2
    lambda c: draw_rating(c, 3),                                  # 27 rating 3
    lambda c: draw_rating(c, 4),                                  # 28 rating 4
]

BUTTONS = [draw_refresh, draw_consult, draw_apply, draw_tasks, draw_info]


def draw_busy(c, frame, frames):
    # eight dots on a ring; the bright one travels round, the ones behind it fade
    cx, cy, r = 24.0, 16.0, 10.5
    for i in range(8):
        a = math.radians(-90 + i * 45)
        age = (frame - i) % frames if frames else 8
        if frames == 0:
            col = (150, 160, 175, 255)
        else:
            t = max(0.0, 1.0 - age / 5.0)
            col = (int(150 + (30 - 150) * t), int(160 + (110 - 160) * t),
                   int(175 + (220 - 175) * t), 255)
        rad = 2.4 + (1.0 * max(0.0, 1.0 - age / 3.0) if frames else 0)
        c.draw(ellipse(cx + r * math.cos(a), cy + r * math.sin(a), rad), col)


# --------------------------------------------------------------------------
# Writers.


def render(drawing, size, units=16.0, w=None, h=None):
    c = Canvas(w or size, h or size, size / units)
    drawing(c)
    return c.rgba()


def strip(images):
    h = len(images[0])
    return [sum((img[j] for img in images), []) for j in range(h)]


def write_bmp(path, rows):
    h = len(rows)
    w = len(rows[0])
    data = bytearray()
    for row in reversed(rows):
        for (r, g, b, a) in row:
            data += bytes((b, g, r, a))
    header = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 32, 0, len(data), 3780, 3780, 0, 0)
    with open(path, 'wb') as f:
        f.write(b'BM' + struct.pack('<IHHI', 14 + 40 + len(data), 0, 0, 14 + 40))
        f.write(header)
        f.write(data)


def ico_image(rows):
    h = len(rows)
    w = len(rows[0])
    xor = bytearray()
    for row in reversed(rows):
        for (r, g, b, a) in row:
            xor += bytes((b, g, r, a))
    stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for i, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[i // 8] |= 0x80 >> (i % 8)
        mask += line
    header = struct.pack('<IiiHHIIiiII', 40, w, 2 * h, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + mask


def write_ico(path, images):
    blobs = [ico_image(rows) for rows in images]
    out = bytearray(struct.pack('<HHH', 0, 1, len(blobs)))
    offset = 6 + 16 * len(blobs)
    for rows, blob in zip(images, blobs):
        w = len(rows[0])
        h = len(rows)
        out += struct.pack('<BBBBHHII', w % 256, h % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    with open(path, 'wb') as f:
        f.write(out)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    only = sys.argv[1:]

    def want(name):
        return not only or name in only

    for size in (16, 20, 24, 32):
        name = 'pictures%d.bmp' % size
        if want(name):
            write_bmp(os.path.join(here, name), strip([render(p, size) for p in PICTURES]))
    for size in (24, 30, 36, 48):
        name = 'buttons%d.bmp' % size
        if want(name):
            write_bmp(os.path.join(here, name), strip([render(p, size) for p in BUTTONS]))
    frames = 8
    for pct in (100, 125, 150, 200):
        name = 'busy%d.bmp' % pct
        if want(name):
            w, h = 48 * pct // 100, 32 * pct // 100
            imgs = [render(lambda c, f=f: draw_busy(c, f, frames), w, units=48.0, w=w, h=h)
                    for f in range(frames)]
            imgs.append(render(lambda c: draw_busy(c, 0, 0), w, units=48.0, w=w, h=h))
            write_bmp(os.path.join(here, name), strip(imgs))
    if want('warning.ico'):
        write_ico(os.path.join(here, 'warning.ico'),
                  [render(draw_warning, 32), render(draw_warning, 16)])
    if want('morvane.ico'):
        write_ico(os.path.join(here, 'morvane.ico'),
                  [render(draw_app, 48), render(draw_app, 32), render(draw_app, 16)])


if __name__ == '__main__':
    main()
