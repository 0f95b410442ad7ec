#!/usr/bin/python3
"""Generates the Kelvimon instrument-panel bitmaps and the program icons.

Usage: /usr/bin/python3 tools/gen_panel_art.py [--out DIR] [--preview DIR]

Everything is drawn here from scratch with the Python standard library:
a small scanline rasteriser with supersampled anti-aliasing, a stroke
font, seven-segment digits and BMP / ICO / PNG writers.  No system fonts
or image libraries are used, so the output is byte-identical on every
machine and on every run.

Outputs (paths relative to --out, default the repository root):
  monitor/res/*.bmp                     panel bitmaps (resources 1300..1408)
  monitor/res/kelvimon.ico              icon 101, normal state
  monitor/res/kelvimon_alarm.ico        icon 102, alarm state
  monitor/res/options.ico               icon 178, options sheet caption
  setup/res/setup.ico                   installer icon 101 (1 bpp + 4 bpp)

--preview DIR additionally writes PNG previews, a mock-up of the whole
panel and a contact sheet of everything.
"""

import argparse
import math
import os
import re
import struct
import sys
import zlib
from operator import add

# ---------------------------------------------------------------------------
# Colours: floats 0..1, (r, g, b)
# ---------------------------------------------------------------------------


def hexc(h):
    h = h.lstrip('#')
    return (int(h[0:2], 16) / 255.0, int(h[2:4], 16) / 255.0,
            int(h[4:6], 16) / 255.0)


def mix(c1, c2, t):
    return tuple(a + (b - a) * t for a, b in zip(c1, c2))


def scale_c(c, f):
    return tuple(min(1.0, v * f) for v in c)


def gradient_stops(stops, t):
    """Piecewise linear colour ramp; stops = [(t, colour), ...] sorted."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
        if t <= t1:
            return mix(c0, c1, (t - t0) / (t1 - t0) if t1 > t0 else 1.0)
    return stops[-1][1]


def vgrad(y0, y1, stops):
    """Vertical gradient paint from y0 (t=0) to y1 (t=1)."""
    span = float(y1 - y0)

    def paint(x, y):
        return gradient_stops(stops, (y - y0) / span)
    return paint


def hgrad(x0, x1, stops):
    span = float(x1 - x0)

    def paint(x, y):
        return gradient_stops(stops, (x - x0) / span)
    return paint


def rgrad(cx, cy, r, stops):
    def paint(x, y):
        return gradient_stops(stops, math.sqrt((x - cx) ** 2 + (y - cy) ** 2) / r)
    return paint


# ---------------------------------------------------------------------------
# Geometry.  Pixel (i, j) covers [i, i+1) x [j, j+1); y grows downwards.
# A shape is a list of polygons; each polygon is a list of (x, y).
# ---------------------------------------------------------------------------


def qz(v):
    """Snap a coordinate to a 1/4096 grid so that tiny libm differences in
    sin/cos between machines cannot change a single output byte."""
    return math.floor(v * 4096.0 + 0.5) / 4096.0


def arc_points(cx, cy, rx, ry, a0, a1, step=10.0):
    """Points on an elliptical arc, angles in degrees (clockwise on screen)."""
    n = max(2, int(math.ceil(abs(a1 - a0) / step)))
    pts = []
    for i in range(n + 1):
        a = math.radians(a0 + (a1 - a0) * i / n)
        pts.append((cx + rx * math.cos(a), cy + ry * math.sin(a)))
    return pts


def ellipse(cx, cy, rx, ry, n=None):
    if n is None:
        n = max(10, int(2 * math.pi * max(rx, ry) / 0.7))
    return [(cx + rx * math.cos(2 * math.pi * i / n),
             cy + ry * math.sin(2 * math.pi * i / n)) for i in range(n)]


def rect(x0, y0, x1, y1):
    return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]


def rrect(x0, y0, x1, y1, r):
    r = min(r, (x1 - x0) / 2.0, (y1 - y0) / 2.0)
    if r <= 0:
        return rect(x0, y0, x1, y1)
    pts = []
    for cx, cy, a0 in ((x1 - r, y0 + r, -90), (x1 - r, y1 - r, 0),
                       (x0 + r, y1 - r, 90), (x0 + r, y0 + r, 180)):
        pts.extend(arc_points(cx, cy, r, r, a0, a0 + 90, 15.0))
    return pts


def stroke(points, width, closed=False):
    """Round-capped, round-joined stroke of a polyline, as convex pieces."""
    h = width / 2.0
    pts = list(points)
    if closed and len(pts) > 2:
        pts.append(pts[0])
    polys = []
    nd = max(8, int(2 * math.pi * h / 0.6))
    for p in (pts[:-1] if closed and len(pts) > 2 else pts):
        polys.append(ellipse(p[0], p[1], h, h, nd))
    for (ax, ay), (bx, by) in zip(pts, pts[1:]):
        dx, dy = bx - ax, by - ay
        ln = math.hypot(dx, dy)
        if ln < 1e-9:
            continue
        nx, ny = -dy / ln * h, dx / ln * h
        polys.append([(ax + nx, ay + ny), (bx + nx, by + ny),
                      (bx - nx, by - ny), (ax - nx, ay - ny)])
    return polys


def transform(polys, fn):
    return [[fn(x, y) for x, y in p] for p in polys]


def shifted(polys, dx, dy):
    return [[(x + dx, y + dy) for x, y in p] for p in polys]


def rotated(polys, cx, cy, deg):
    a = math.radians(deg)
    ca, sa = math.cos(a), math.sin(a)
    return [[(cx + (x - cx) * ca - (y - cy) * sa, cy + (x - cx) * sa + (y - cy) * ca)
             for x, y in p] for p in polys]


def fillet(pts, radii, closed):
    """Replace corners that have a radius > 0 with circular arcs."""
    n = len(pts)
    out = []
    for i in range(n):
        p = pts[i]
        r = radii[i]
        if r <= 0 or n < 3 or (not closed and (i == 0 or i == n - 1)):
            out.append(p)
            continue
        a, b = pts[i - 1], pts[(i + 1) % n]
        la = math.hypot(a[0] - p[0], a[1] - p[1])
        lb = math.hypot(b[0] - p[0], b[1] - p[1])
        if la < 1e-9 or lb < 1e-9:
            out.append(p)
            continue
        u = ((a[0] - p[0]) / la, (a[1] - p[1]) / la)
        v = ((b[0] - p[0]) / lb, (b[1] - p[1]) / lb)
        cosang = max(-1.0, min(1.0, u[0] * v[0] + u[1] * v[1]))
        ang = math.acos(cosang)
        if ang < 1e-3 or math.pi - ang < 1e-3:
            out.append(p)
            continue
        t = r / math.tan(ang / 2)
        lim_a = la if (not closed and i - 1 == 0) else la / 2
        lim_b = lb if (not closed and i + 1 == n - 1) else lb / 2
        tmax = min(lim_a, lim_b)
        if t > tmax:
            t = tmax
            r = t * math.tan(ang / 2)
        bis = (u[0] + v[0], u[1] + v[1])
        bl = math.hypot(*bis)
        bis = (bis[0] / bl, bis[1] / bl)
        d = r / math.sin(ang / 2)
        c = (p[0] + bis[0] * d, p[1] + bis[1] * d)
        p1 = (p[0] + u[0] * t, p[1] + u[1] * t)
        p2 = (p[0] + v[0] * t, p[1] + v[1] * t)
        a1 = math.atan2(p1[1] - c[1], p1[0] - c[0])
        a2 = math.atan2(p2[1] - c[1], p2[0] - c[0])
        sweep = a2 - a1
        while sweep > math.pi:
            sweep -= 2 * math.pi
        while sweep < -math.pi:
            sweep += 2 * math.pi
        steps = max(2, int(abs(sweep) / (math.pi / 12)))
        for k in range(steps + 1):
            aa = a1 + sweep * k / steps
            out.append((c[0] + r * math.cos(aa), c[1] + r * math.sin(aa)))
    return out


# ---------------------------------------------------------------------------
# Rasteriser: binary supersample mask -> fractional coverage -> canvas
# ---------------------------------------------------------------------------


class Cov:
    """Coverage values 0..1 over a rectangle of pixels."""

    def __init__(self, x0, y0, w, h, data):
        self.x0, self.y0, self.w, self.h, self.data = x0, y0, w, h, data

    def blurred(self, radius, passes=3):
        """Approximate Gaussian blur by repeated box blurs; grows the area."""
        m = radius * passes
        w, h = self.w + 2 * m, self.h + 2 * m
        d = [0.0] * (w * h)
        for y in range(self.h):
            d[(y + m) * w + m:(y + m) * w + m + self.w] = \
                self.data[y * self.w:(y + 1) * self.w]
        k = 2 * radius + 1
        for _ in range(passes):
            nd = [0.0] * (w * h)
            for y in range(h):
                row = d[y * w:(y + 1) * w]
                acc = sum(row[0:radius + 1])
                for x in range(w):
                    nd[y * w + x] = acc / k
                    if x + radius + 1 < w:
                        acc += row[x + radius + 1]
                    if x - radius >= 0:
                        acc -= row[x - radius]
            d = nd
            nd = [0.0] * (w * h)
            for x in range(w):
                acc = sum(d[y * w + x] for y in range(0, min(h, radius + 1)))
                for y in range(h):
                    nd[y * w + x] = acc / k
                    if y + radius + 1 < h:
                        acc += d[(y + radius + 1) * w + x]
                    if y - radius >= 0:
                        acc -= d[(y - radius) * w + x]
            d = nd
        return Cov(self.x0 - m, self.y0 - m, w, h, d)

    def scaled(self, f):
        return Cov(self.x0, self.y0, self.w, self.h,
                   [min(1.0, v * f) for v in self.data])


class Mask:
    """Binary mask at ss x ss samples per pixel.  Polygons are filled with
    the even-odd rule; painting is a union, erasing cuts holes."""

    def __init__(self, w, h, ss=4):
        self.w, self.h, self.ss = w, h, ss
        self.W, self.H = w * ss, h * ss
        self.rows = {}
        self.bx0, self.bx1, self.by0, self.by1 = self.W, 0, self.H, 0
        self._ones = b'\x01' * self.W

    def poly(self, pts, paint=True):
        ss = self.ss
        p = [(qz(x) * ss, qz(y) * ss) for x, y in pts]
        if len(p) < 3:
            return
        ys = [y for _, y in p]
        j0 = max(0, int(math.ceil(min(ys) - 0.5)))
        j1 = min(self.H - 1, int(math.floor(max(ys) - 0.5)))
        edges = []
        for (x0, y0), (x1, y1) in zip(p, p[1:] + p[:1]):
            if y0 != y1:
                edges.append((x0, y0, x1, y1, (x1 - x0) / (y1 - y0)))
        for j in range(j0, j1 + 1):
            yc = j + 0.5
            xs = []
            for x0, y0, x1, y1, k in edges:
                if (y0 <= yc < y1) or (y1 <= yc < y0):
                    xs.append(x0 + (yc - y0) * k)
            if len(xs) < 2:
                continue
            xs.sort()
            row = self.rows.get(j)
            if row is None:
                if not paint:
                    continue
                row = self.rows[j] = bytearray(self.W)
            for i in range(0, len(xs) - 1, 2):
                a = max(0, int(math.ceil(xs[i] - 0.5)))
                b = min(self.W, int(math.ceil(xs[i + 1] - 0.5)))
                if b <= a:
                    continue
                if paint:
                    row[a:b] = self._ones[:b - a]
                    if a < self.bx0:
                        self.bx0 = a
                    if b > self.bx1:
                        self.bx1 = b
                    if j < self.by0:
                        self.by0 = j
                    if j + 1 > self.by1:
                        self.by1 = j + 1
                else:
                    row[a:b] = bytes(b - a)

    def coverage(self):
        ss = self.ss
        if self.bx1 <= self.bx0 or self.by1 <= self.by0:
            return None
        px0, px1 = self.bx0 // ss, -(-self.bx1 // ss)
        py0, py1 = self.by0 // ss, -(-self.by1 // ss)
        s0, s1 = px0 * ss, px1 * ss
        inv = 1.0 / (ss * ss)
        data = []
        for py in range(py0, py1):
            acc = [0] * (s1 - s0)
            for k in range(ss):
                r = self.rows.get(py * ss + k)
                if r is not None:
                    acc = list(map(add, acc, r[s0:s1]))
            data.extend(sum(acc[i:i + ss]) * inv for i in range(0, s1 - s0, ss))
        return Cov(px0, py0, px1 - px0, py1 - py0, data)


class Canvas:
    """RGBA image, premultiplied floats."""

    def __init__(self, w, h, color=(0.0, 0.0, 0.0), alpha=1.0):
        self.w, self.h = w, h
        n = w * h
        self.r = [color[0] * alpha] * n
        self.g = [color[1] * alpha] * n
        self.b = [color[2] * alpha] * n
        self.a = [alpha] * n

    # -- drawing -----------------------------------------------------------

    def mask(self, add_polys, sub_polys=(), ss=4):
        m = Mask(self.w, self.h, ss)
        for p in add_polys:
            m.poly(p, True)
        for p in sub_polys:
            m.poly(p, False)
        return m.coverage()

    def paint(self, cov, paint, opacity=1.0):
        if cov is None:
            return
        solid = not callable(paint)
        r, g, b, a, w = self.r, self.g, self.b, self.a, self.w
        for cy in range(cov.h):
            y = cov.y0 + cy
            if y < 0 or y >= self.h:
                continue
            base = cy * cov.w
            for cx in range(cov.w):
                c = cov.data[base + cx]
                if c <= 0.0:
                    continue
                x = cov.x0 + cx
                if x < 0 or x >= w:
                    continue
                col = paint if solid else paint(x + 0.5, y + 0.5)
                c = c * opacity
                if len(col) == 4:
                    c *= col[3]
                if c > 1.0:
                    c = 1.0
                i = y * w + x
                inv = 1.0 - c
                r[i] = col[0] * c + r[i] * inv
                g[i] = col[1] * c + g[i] * inv
                b[i] = col[2] * c + b[i] * inv
                a[i] = c + a[i] * inv

    def fill(self, add_polys, paint, sub_polys=(), ss=4, opacity=1.0):
        cov = self.mask(add_polys, sub_polys, ss)
        self.paint(cov, paint, opacity)
        return cov

    def glow(self, cov, paint, radius, opacity=1.0, gain=1.0, passes=3):
        if cov is None:
            return
        bl = cov.blurred(radius, passes)
        if gain != 1.0:
            bl = bl.scaled(gain)
        self.paint(bl, paint, opacity)

    def clear_rect(self, x0, y0, x1, y1, color=(0.0, 0.0, 0.0), alpha=1.0):
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                i = y * self.w + x
                self.r[i], self.g[i], self.b[i] = (color[0] * alpha,
                                                   color[1] * alpha,
                                                   color[2] * alpha)
                self.a[i] = alpha

    def blit(self, src, dx, dy, sx=0, sy=0, w=None, h=None):
        """Opaque copy of a block of src (like BitBlt SRCCOPY)."""
        w = src.w if w is None else w
        h = src.h if h is None else h
        for y in range(h):
            ty = dy + y
            if ty < 0 or ty >= self.h:
                continue
            for x in range(w):
                tx = dx + x
                if tx < 0 or tx >= self.w:
                    continue
                i = ty * self.w + tx
                j = (sy + y) * src.w + sx + x
                self.r[i], self.g[i], self.b[i], self.a[i] = \
                    src.r[j], src.g[j], src.b[j], src.a[j]

    def over(self, src, dx, dy):
        """Alpha-composite src (premultiplied) over this canvas."""
        for y in range(src.h):
            ty = dy + y
            if ty < 0 or ty >= self.h:
                continue
            for x in range(src.w):
                tx = dx + x
                if tx < 0 or tx >= self.w:
                    continue
                j = y * src.w + x
                sa = src.a[j]
                if sa <= 0:
                    continue
                i = ty * self.w + tx
                inv = 1.0 - sa
                self.r[i] = src.r[j] + self.r[i] * inv
                self.g[i] = src.g[j] + self.g[i] * inv
                self.b[i] = src.b[j] + self.b[i] * inv
                self.a[i] = sa + self.a[i] * inv

    def scaled_nearest(self, f):
        out = Canvas(self.w * f, self.h * f)
        for y in range(out.h):
            for x in range(out.w):
                i = y * out.w + x
                j = (y // f) * self.w + x // f
                out.r[i], out.g[i], out.b[i], out.a[i] = \
                    self.r[j], self.g[j], self.b[j], self.a[j]
        return out

    # -- export ------------------------------------------------------------

    def pixel8(self, i):
        def q8(v):
            v = int(v * 255.0 + 0.5)
            return 0 if v < 0 else (255 if v > 255 else v)
        return q8(self.r[i]), q8(self.g[i]), q8(self.b[i])

    def rgba8(self, i):
        """Straight (non-premultiplied) 8-bit RGBA of pixel i."""
        a = self.a[i]
        if a <= 0.0:
            return 0, 0, 0, 0
        def q8(v):
            v = int(v * 255.0 + 0.5)
            return 0 if v < 0 else (255 if v > 255 else v)
        return q8(self.r[i] / a), q8(self.g[i] / a), q8(self.b[i] / a), q8(a)


# ---------------------------------------------------------------------------
# Stroke font.  Glyph units: baseline y=0, cap height 10, x-height 7,
# descender -3.2, y grows upwards.  Points "x,y"; "x,y*" rounds that corner
# with the default radius, "x,y*r" with radius r; "@" closes the stroke;
# "|" separates strokes; a stroke of one point is a dot.
# ---------------------------------------------------------------------------

FONT_SRC = {
    # capitals
    'A': (7.0, "0,0 3.5,10 7,0 | 1.3,3.4 5.7,3.4"),
    'B': (6.0, "0,0 0,10 4.9,10* 4.9,5* 0,5 | 0,5 5.6,5* 5.6,0* 0,0"),
    'C': (6.2, "6.2,10 0,10* 0,0* 6.2,0"),
    'D': (6.4, "0,0 0,10 6.4,10*3 6.4,0*3 0,0"),
    'E': (5.6, "5.6,10 0,10 0,0 5.6,0 | 0,5 4.6,5"),
    'F': (5.4, "5.4,10 0,10 0,0 | 0,5 4.4,5"),
    'G': (6.4, "6.2,10 0,10* 0,0* 6.4,0* 6.4,4.8 3.4,4.8"),
    'H': (6.2, "0,0 0,10 | 6.2,0 6.2,10 | 0,5 6.2,5"),
    'I': (0.0, "0,0 0,10"),
    'J': (5.2, "5.2,10 5.2,0* 0,0* 0,2.6"),
    'K': (6.0, "0,0 0,10 | 6,10 0,4.2 | 2.2,6.1 6,0"),
    'L': (5.2, "0,10 0,0 5.2,0"),
    'M': (8.0, "0,0 0,10 4,3.4 8,10 8,0"),
    'N': (6.4, "0,0 0,10 6.4,0 6.4,10"),
    'O': (6.6, "@0,0* 6.6,0* 6.6,10* 0,10*"),
    'P': (6.0, "0,0 0,10 6,10* 6,4.6* 0,4.6"),
    'Q': (6.6, "@0,0* 6.6,0* 6.6,10* 0,10* | 4,2.4 7,-1"),
    'R': (6.0, "0,0 0,10 6,10* 6,4.6* 0,4.6 | 3.2,4.6 6,0"),
    'S': (6.0, "6,10 0,10* 0,5* 6,5* 6,0* 0,0"),
    'T': (6.4, "0,10 6.4,10 | 3.2,10 3.2,0"),
    'U': (6.2, "0,10 0,0* 6.2,0* 6.2,10"),
    'V': (7.0, "0,10 3.5,0 7,10"),
    'W': (9.6, "0,10 2.4,0 4.8,7.4 7.2,0 9.6,10"),
    'X': (6.6, "0,0 6.6,10 | 0,10 6.6,0"),
    'Y': (6.6, "0,10 3.3,5 6.6,10 | 3.3,5 3.3,0"),
    'Z': (6.2, "0,10 6.2,10 0,0 6.2,0"),
    # small letters
    'a': (5.4, "0.4,7 5.4,7* 5.4,0 | 5.4,3.8 0,3.8* 0,0* 5.4,0"),
    'b': (5.4, "0,10 0,0 5.4,0* 5.4,7* 0,7"),
    'c': (5.0, "5,7 0,7* 0,0* 5,0"),
    'd': (5.4, "5.4,10 5.4,0 0,0* 0,7* 5.4,7"),
    'e': (5.4, "0,3.6 5.4,3.6* 5.4,7* 0,7* 0,0* 5,0"),
    'f': (3.8, "1.3,0 1.3,10* 3.8,10 | 0,7 3.6,7"),
    'g': (5.4, "5.4,7 0,7* 0,0* 5.4,0 | 5.4,7 5.4,-3.2* 0.3,-3.2"),
    'h': (5.4, "0,10 0,0 | 0,7 5.4,7* 5.4,0"),
    'i': (0.0, "0,0 0,7 | 0,9.6"),
    'j': (2.0, "2,7 2,-3.2* 0,-3.2 | 2,9.6"),
    'k': (5.0, "0,0 0,10 | 4.8,7 0,2.8 | 1.9,4.4 5,0"),
    'l': (0.0, "0,0 0,10"),
    'm': (8.0, "0,0 0,7 | 0,7 8,7* 8,0 | 4,7 4,0"),
    'n': (5.4, "0,0 0,7 | 0,7 5.4,7* 5.4,0"),
    'o': (5.6, "@0,0* 5.6,0* 5.6,7* 0,7*"),
    'p': (5.4, "0,-3.2 0,7 5.4,7* 5.4,0* 0,0"),
    'q': (5.4, "5.4,-3.2 5.4,7 0,7* 0,0* 5.4,0"),
    'r': (3.8, "0,0 0,7* 3.8,7"),
    's': (5.2, "5.2,7 0,7*1.6 0,3.5*1.6 5.2,3.5*1.6 5.2,0*1.6 0,0"),
    't': (3.8, "1.3,10 1.3,0* 3.8,0 | 0,7 3.6,7"),
    'u': (5.4, "0,7 0,0* 5.4,0 | 5.4,7 5.4,0"),
    'v': (5.8, "0,7 2.9,0 5.8,7"),
    'w': (8.4, "0,7 2.1,0 4.2,5.4 6.3,0 8.4,7"),
    'x': (5.6, "0,0 5.6,7 | 0,7 5.6,0"),
    'y': (5.4, "0,7 0,0* 5.4,0 | 5.4,7 5.4,-3.2* 0.3,-3.2"),
    'z': (5.4, "0,7 5.4,7 0,0 5.4,0"),
    # figures
    '0': (6.0, "@0,0* 6,0* 6,10* 0,10*"),
    '1': (6.0, "1.2,8 3.4,10 3.4,0"),
    '2': (6.0, "0,10 6,10* 6,5* 0,5* 0,0 6,0"),
    '3': (6.0, "0,10 6,10* 6,0* 0,0 | 1.8,5 6,5"),
    '4': (6.0, "0,10 0,4* 6,4 | 4.4,7.2 4.4,0"),
    '5': (6.0, "6,10 0,10 0,5.4 6,5.4* 6,0* 0,0"),
    '6': (6.0, "6,10 0,10* 0,0* 6,0* 6,5.4* 0,5.4"),
    '7': (6.0, "0,10 6,10 2.2,0"),
    '8': (6.0, "@0.4,5.2* 5.6,5.2* 5.6,10* 0.4,10* | @0,0* 6,0* 6,5.2* 0,5.2*"),
    '9': (6.0, "0,0 6,0* 6,10* 0,10* 0,4.6* 6,4.6"),
    # signs
    '+': (6.0, "0,4.6 6,4.6 | 3,1.6 3,7.6"),
    '-': (4.4, "0,4.6 4.4,4.6"),
    '.': (0.0, "0,0"),
    ',': (0.8, "0.8,0.4 0,-2"),
    ':': (0.0, "0,0 | 0,6.4"),
    '_': (6.0, "0,-1.8 6,-1.8"),
    '/': (5.0, "0,-1 5,11"),
    '(': (2.4, "2.4,11 0.4,8* 0.4,1* 2.4,-2"),
    ')': (2.4, "0,11 2,8* 2,1* 0,-2"),
    '=': (6.0, "0,3 6,3 | 0,6.2 6,6.2"),
}
FONT_SPACE = 3.4


def parse_glyph(src, default_r):
    strokes = []
    for part in src.split('|'):
        part = part.strip()
        if not part:
            continue
        closed = part.startswith('@')
        pts, radii = [], []
        for tok in part.lstrip('@').split():
            r = 0.0
            if '*' in tok:
                tok, rs = tok.split('*')
                r = float(rs) if rs else default_r
            x, y = tok.split(',')
            pts.append((float(x), float(y)))
            radii.append(r)
        strokes.append((fillet(pts, radii, closed), closed))
    return strokes


class Font:
    def __init__(self, src):
        self.glyphs = {}
        for ch, (adv, s) in src.items():
            if len(ch) != 1:
                continue
            r = 1.7 if ch.islower() else 2.2
            self.glyphs[ch] = (adv, parse_glyph(s, r))

    def advance_units(self, s, spacing):
        pen = 0.0
        for ch in s:
            if ch == ' ':
                pen += FONT_SPACE + spacing
            elif ch in self.glyphs:
                pen += self.glyphs[ch][0] + spacing
        return pen - spacing if s else 0.0

    def width(self, s, size, spacing=2.4):
        """Distance between the first and last stroke centre lines, px."""
        return self.advance_units(s, spacing) * size / 10.0

    def polys(self, s, x, baseline, size, weight, slant=0.0, spacing=2.4):
        k = size / 10.0
        pen = 0.0
        out = []
        for ch in s:
            if ch == ' ':
                pen += FONT_SPACE + spacing
                continue
            g = self.glyphs.get(ch)
            if g is None:
                continue
            adv, strokes = g
            for pts, closed in strokes:
                tp = [(x + (pen + gx + slant * gy) * k, baseline - gy * k)
                      for gx, gy in pts]
                out.extend(stroke(tp, weight, closed))
            pen += adv + spacing
        return out

    def centred(self, s, cx, baseline, size, weight, slant=0.0, spacing=2.4):
        w = self.width(s, size, spacing) + slant * size * 0.5
        return self.polys(s, cx - w / 2.0, baseline, size, weight, slant, spacing)


FONT = Font(FONT_SRC)


# ---------------------------------------------------------------------------
# Seven-segment digits
# ---------------------------------------------------------------------------

SEGMENTS = {
    '0': 'abcdef', '1': 'bc', '2': 'abged', '3': 'abgcd', '4': 'fgbc',
    '5': 'afgcd', '6': 'afgedc', '7': 'abc', '8': 'abcdefg', '9': 'abcdfg',
    '-': 'g', 'C': 'adef', 'F': 'aefg', 'A': 'abcefg', 'P': 'abefg',
}


def seg_polys(segs, x, y, w, h, t, gap, slant=0.0):
    """Hexagonal segments in the box (x, y, w, h); slant shifts the top right."""
    k = t / 2.0
    xl, xr = k, w - k
    yt, ym, yb = k, h / 2.0, h - k

    def hseg(yc, x0, x1):
        return [(x0 + gap, yc), (x0 + gap + k, yc - k), (x1 - gap - k, yc - k),
                (x1 - gap, yc), (x1 - gap - k, yc + k), (x0 + gap + k, yc + k)]

    def vseg(xc, y0, y1):
        return [(xc, y0 + gap), (xc + k, y0 + gap + k), (xc + k, y1 - gap - k),
                (xc, y1 - gap), (xc - k, y1 - gap - k), (xc - k, y0 + gap + k)]

    table = {
        'a': hseg(yt, xl, xr), 'g': hseg(ym, xl, xr), 'd': hseg(yb, xl, xr),
        'f': vseg(xl, yt, ym), 'b': vseg(xr, yt, ym),
        'e': vseg(xl, ym, yb), 'c': vseg(xr, ym, yb),
    }
    polys = [table[s] for s in segs]
    return transform(polys, lambda px, py: (x + px + slant * (h - py), y + py))


def seg_v_polys(x, y, w, h, t):
    """A 'V' in segment style: two bevelled bars meeting at the bottom."""
    m = w / 2.0
    return [[(x, y), (x + t * 1.05, y), (x + m, y + h - t * 1.5),
             (x + w - t * 1.05, y), (x + w, y), (x + m + t * 0.6, y + h),
             (x + m - t * 0.6, y + h)]]


# ---------------------------------------------------------------------------
# Glyph-strip layouts (source x, width, height) as the panel code reads them
# ---------------------------------------------------------------------------

VALUE_CELLS = ([(str(d), 15 * d, 15, 20) for d in range(10)] +
               [(':', 150, 10, 20), ('.', 160, 10, 20), ('o', 170, 10, 20),
                (',', 190, 10, 20), ('-', 200, 10, 20),
                ('V', 210, 15, 20), ('C', 225, 15, 20), ('F', 240, 15, 20)])

CLOCK_CELLS = ([(str(d), 24 * d + 3, 18, 24) for d in range(10)] +
               [(':', 244, 16, 24), ('a', 266, 20, 24), ('p', 290, 20, 24),
                ('-', 318, 10, 20)])


def build_strip(w, h, cells, render):
    strip = Canvas(w, h)
    for ch, x, cw, chh in cells:
        strip.blit(render(ch, cw, chh), x, 0)
    return strip


# Digit box of the value strips (15 x 20 cells).
VBOX = dict(x=2.3, y=1.6, w=10.4, h=16.8, t=2.3, gap=0.4)


def value_segment_polys(ch, cw, chh, box, slant=0.0):
    """Polygons of a segment-style glyph inside a cw x chh cell."""
    x, y, w, h, t, gap = box['x'], box['y'], box['w'], box['h'], box['t'], box['gap']
    if cw != 15:
        x = (cw - w) / 2.0
    if ch.isdigit() or ch in 'CFAP':
        return seg_polys(SEGMENTS[ch], x, y, w, h, t, gap, slant)
    if ch == 'V':
        return seg_v_polys(x + 0.2, y, w - 0.4, h, t)
    cx = cw / 2.0
    dot = t * 1.1
    if ch == '-':
        k = t / 2.0
        yc = y + h / 2.0
        x0, x1 = cx - 3.4, cx + 3.4
        return [[(x0, yc), (x0 + k, yc - k), (x1 - k, yc - k), (x1, yc),
                 (x1 - k, yc + k), (x0 + k, yc + k)]]
    if ch == ':':
        return [rect(cx - dot / 2, y + h * 0.3 - dot / 2, cx + dot / 2, y + h * 0.3 + dot / 2),
                rect(cx - dot / 2, y + h * 0.72 - dot / 2, cx + dot / 2, y + h * 0.72 + dot / 2)]
    if ch == '.':
        return [rect(cx - dot / 2, y + h - dot, cx + dot / 2, y + h)]
    if ch == ',':
        return [rect(cx - dot / 2, y + h - dot - 1.0, cx + dot / 2, y + h - 1.0),
                [(cx + dot / 2, y + h - 1.2), (cx + dot / 2 - 0.2, y + h + 0.2),
                 (cx - dot / 2 - 0.8, y + h + 1.9), (cx - dot / 2 + 0.3, y + h - 1.2)]]
    if ch == 'o':
        s = 5.6
        return seg_polys('abfg', cx - s / 2.0, y, s, 2 * s, t * 0.78, 0.25, slant)
    return []


def segment_cell(color, glow_color):
    def render(ch, cw, chh):
        c = Canvas(cw, chh)
        cov = c.mask(value_segment_polys(ch, cw, chh, VBOX), ss=8)
        c.glow(cov, glow_color, 1, opacity=0.55, passes=2)
        c.paint(cov, color)
        return c
    return render


def italic_cell(color, glow_color):
    size, weight, slant = 13.0, 2.1, 0.2
    base = 16.6

    def render(ch, cw, chh):
        c = Canvas(cw, chh)
        k = size / 10.0
        if ch.isdigit() or ch in 'VCF':
            adv = FONT.glyphs[ch][0]
            x = (cw - adv * k - slant * size) / 2.0 + 0.2
            polys = FONT.polys(ch, x, base, size, weight, slant)
        elif ch == 'o':
            polys = stroke(ellipse(cw / 2.0 + 1.3, 5.9, 2.1, 2.1), 1.5, closed=True)
        elif ch == '-':
            yc = base - 4.6 * k
            x0 = 2.2 + slant * 4.6 * k - 0.8
            polys = stroke([(x0, yc), (x0 + 5.4, yc)], weight)
        elif ch in '.,:':
            x = cw / 2.0 - 0.8
            polys = FONT.polys(ch, x, base, size, weight * 1.1, slant)
        else:
            polys = []
        cov = c.mask(polys, ss=8)
        c.glow(cov, glow_color, 1, opacity=0.35, passes=2)
        c.paint(cov, color)
        return c
    return render


def fan_tile_cell(ch, cw, chh):
    """Split-flap counter tile: white digit on a dark drum-shaded tile."""
    c = Canvas(cw, chh)
    x0, x1, y0, y1 = 0.6, cw - 0.6, 0.6, chh - 0.6
    c.fill([rrect(x0, y0, x1, y1, 2.2)],
           vgrad(y0, y1, [(0.0, hexc('#1b2028')), (0.18, hexc('#353d48')),
                          (0.5, hexc('#2a313b')), (0.82, hexc('#353d48')),
                          (1.0, hexc('#161a20'))]), ss=6)
    c.fill([rect(x0 + 0.8, y0 + 0.4, x1 - 0.8, y0 + 1.0)], hexc('#5a6574'), ss=6,
           opacity=0.7)
    size, weight = 12.0, 2.0
    base = 16.0
    k = size / 10.0
    if ch.isdigit() or ch in 'VCF':
        adv = FONT.glyphs[ch][0]
        polys = FONT.polys(ch, (cw - adv * k) / 2.0, base, size, weight)
    elif ch == 'o':
        polys = stroke(ellipse(cw / 2.0, 6.0, 2.0, 2.0), 1.4, closed=True)
    elif ch == '-':
        yc = base - 4.6 * k
        polys = stroke([(cw / 2.0 - 2.4, yc), (cw / 2.0 + 2.4, yc)], weight)
    elif ch in '.,:':
        polys = FONT.polys(ch, cw / 2.0, base, size, weight * 1.1)
    else:
        polys = []
    # the hinge of the flap runs through the middle of the tile; over the
    # glyph it shows only as a faint crease so that a minus sign survives
    hinge = [rect(x0, chh / 2.0 - 0.45, x1, chh / 2.0 + 0.45)]
    c.fill(hinge, hexc('#0a0c10'), ss=6, opacity=0.9)
    cov = c.mask(polys, ss=8)
    c.paint(cov, vgrad(3, 17, [(0.0, hexc('#ffffff')), (1.0, hexc('#d4dbe4'))]))
    c.fill(hinge, hexc('#0a0c10'), ss=6, opacity=0.3)
    return c


# Digit box of the clock strip (18 x 24 cells).
CBOX = dict(x=3.3, y=3.5, w=11.4, h=17.0, t=2.5, gap=0.45)


def clock_cell(ch, cw, chh):
    c = Canvas(cw, chh)

    def polys_for(t_scale, gap_extra):
        box = dict(CBOX)
        box['t'] *= t_scale
        box['gap'] += gap_extra
        if ch in 'ap':
            return seg_polys(SEGMENTS[ch.upper()], (cw - box['w']) / 2.0, box['y'],
                             box['w'], box['h'], box['t'], box['gap'])
        if ch.isdigit():
            return seg_polys(SEGMENTS[ch], box['x'], box['y'], box['w'], box['h'],
                             box['t'], box['gap'])
        return value_segment_polys(ch, cw, chh, box)
    cov = c.mask(polys_for(1.0, 0.0), ss=8)
    # green halo, separated from the red segments by a thin dark rim
    c.glow(cov, hexc('#22ff66'), 2, opacity=0.95, gain=1.5, passes=2)
    c.glow(cov, hexc('#000000'), 1, opacity=0.9, gain=2.2, passes=1)
    c.paint(cov, hexc('#ff2218'))
    c.fill(polys_for(0.42, 0.5), hexc('#ff9a84'), ss=8, opacity=0.55)
    return c


# ---------------------------------------------------------------------------
# File writers
# ---------------------------------------------------------------------------


def palette_indices(canvas):
    """Palette (exact black first) and one index per pixel, top-down.  A
    picture of at most 255 colours keeps them all; a richer one gets a
    256-colour median-cut palette refined by k-means, each colour mapped to
    its nearest entry.  Exact black stays exact: the program draws onto
    black areas."""
    cols = [canvas.pixel8(i) for i in range(canvas.w * canvas.h)]
    pal = [(0, 0, 0)] + [c for c in median_cut(cols, 255, 48) if c != (0, 0, 0)]
    counts = {}
    for c in cols:
        counts[c] = counts.get(c, 0) + 1
    if len(counts) > len(pal):
        pal = refine_palette(pal, counts, 4)
    lookup = {c: nearest(pal, c) for c in counts}
    return pal, [lookup[c] for c in cols]


def refine_palette(pal, counts, rounds):
    """Moves every entry but black to the mean of the colours that map to it
    (k-means rounds): smoother gradients than the median cut alone."""
    for _ in range(rounds):
        sums = {}
        for c, n in sorted(counts.items()):
            s = sums.setdefault(nearest(pal, c), [0, 0, 0, 0])
            for k in range(3):
                s[k] += c[k] * n
            s[3] += n
        pal = [p if i == 0 or i not in sums else
               tuple((sums[i][k] + sums[i][3] // 2) // sums[i][3] for k in range(3))
               for i, p in enumerate(pal)]
    return pal


def rle8_row(row):
    """One row in BI_RLE8: runs as (count, index), stretches without runs
    in absolute mode (0, n, n indices, padded to a 16-bit boundary; n >= 3),
    then the end-of-line code."""
    out = bytearray()
    i, n = 0, len(row)
    while i < n:
        j = i
        while j < n and j - i < 255 and row[j] == row[i]:
            j += 1
        if j - i >= 3 or n - i < 3:
            out += bytes((j - i, row[i]))
            i = j
            continue
        # literal stretch: up to the next run of three or more
        k = i
        while (k < n and k - i < 255 and
               not (k + 2 < n and row[k] == row[k + 1] == row[k + 2])):
            k += 1
        if k - i < 3:
            for v in row[i:k]:
                out += bytes((1, v))
        else:
            out += bytes((0, k - i)) + bytes(row[i:k]) + bytes((k - i) & 1)
        i = k
    return bytes(out) + b'\x00\x00'


def bmp_bytes(canvas):
    """8-bit palettised bottom-up BMP with a BITMAPINFOHEADER, run-length
    encoded (BI_RLE8) where that is smaller than the plain rows."""
    w, h = canvas.w, canvas.h
    pal, idx = palette_indices(canvas)
    rows = [bytes(idx[y * w:(y + 1) * w]) for y in range(h - 1, -1, -1)]
    stride = (w + 3) & ~3
    plain = b''.join(r + bytes(stride - w) for r in rows)
    rle = b''.join(rle8_row(r) for r in rows) + b'\x00\x01'
    compression, pixels = (1, rle) if len(rle) < len(plain) else (0, plain)
    colours = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in pal)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 8, compression, len(pixels),
                       2835, 2835, len(pal), 0)
    off = 14 + 40 + len(colours)
    head = struct.pack('<2sIHHI', b'BM', off + len(pixels), 0, 0, off)
    return head + info + colours + pixels


def png_bytes(canvas, background=None):
    """RGB PNG; transparent pixels are shown over `background` (a function
    of x, y giving an 8-bit RGB triple) or black."""
    w, h = canvas.w, canvas.h
    raw = bytearray()
    for y in range(h):
        raw.append(0)
        for x in range(w):
            i = y * w + x
            if background is None:
                raw += bytes(canvas.pixel8(i))
            else:
                r, g, b, a = canvas.rgba8(i)
                br, bg, bb = background(x, y)
                raw += bytes(((r * a + br * (255 - a) + 127) // 255,
                              (g * a + bg * (255 - a) + 127) // 255,
                              (b * a + bb * (255 - a) + 127) // 255))

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data +
                struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff))
    return (b'\x89PNG\r\n\x1a\n' +
            chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(bytes(raw), 9)) +
            chunk(b'IEND', b''))


def ico_bytes(images):
    """Icon file.  images: list of (size, bpp, palette, indices, mask) where
    palette is a list of 8-bit (r, g, b), indices one palette index per
    pixel (top-down) and mask 1 for transparent pixels."""
    out_entries, out_data = [], []
    offset = 6 + 16 * len(images)
    for size, bpp, palette, indices, mask in images:
        ncol = 1 << bpp
        pal = list(palette) + [(0, 0, 0)] * (ncol - len(palette))
        xor_stride = ((size * bpp + 31) // 32) * 4
        and_stride = ((size + 31) // 32) * 4
        xor_rows, and_rows = [], []
        for y in range(size - 1, -1, -1):
            bits = bytearray(xor_stride)
            mbits = bytearray(and_stride)
            for x in range(size):
                v = indices[y * size + x]
                bitpos = x * bpp
                bits[bitpos // 8] |= v << (8 - bpp - bitpos % 8)
                if mask[y * size + x]:
                    mbits[x // 8] |= 0x80 >> (x % 8)
            xor_rows.append(bytes(bits))
            and_rows.append(bytes(mbits))
        body = b''.join(xor_rows) + b''.join(and_rows)
        dib = (struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bpp, 0,
                           len(body), 0, 0, 0, 0) +
               b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in pal[:ncol]) +
               body)
        out_entries.append(struct.pack('<BBBBHHII', size & 255, size & 255,
                                       ncol if ncol < 256 else 0, 0, 1, bpp,
                                       len(dib), offset))
        out_data.append(dib)
        offset += len(dib)
    return (struct.pack('<HHH', 0, 1, len(images)) + b''.join(out_entries) +
            b''.join(out_data))


def opaque_pixels(canvas, threshold=128):
    """Straight colours plus transparency mask for a hard-edged icon."""
    cols, mask = [], []
    for i in range(canvas.w * canvas.h):
        r, g, b, a = canvas.rgba8(i)
        if a >= threshold:
            cols.append((r, g, b))
            mask.append(0)
        else:
            cols.append(None)
            mask.append(1)
    return cols, mask


def median_cut(colours, max_colours, wide=None):
    """Deterministic median-cut palette for a list of (r, g, b).  The box to
    split next is the one with the widest spread weighted by its pixel
    count; with `wide` every box spreading more than that many levels goes
    first, so that rare but distinct colours (small bright marks on a large
    dark picture) keep entries of their own."""
    uniq = sorted(set(colours))
    if len(uniq) <= max_colours:
        return uniq
    counts = {}
    for c in colours:
        counts[c] = counts.get(c, 0) + 1
    boxes = [uniq]
    while len(boxes) < max_colours:
        best, best_key = None, None
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            spread = max(max(c[k] for c in box) - min(c[k] for c in box)
                         for k in range(3))
            n = sum(counts[c] for c in box)
            key = (wide is not None and spread > wide, spread * n, -i)
            if best_key is None or key > best_key:
                best, best_key = i, key
        if best is None:
            break
        box = boxes.pop(best)
        ch = max(range(3), key=lambda k: (max(c[k] for c in box) -
                                          min(c[k] for c in box), -k))
        box = sorted(box, key=lambda c: (c[ch], c))
        total = sum(counts[c] for c in box)
        acc, cut = 0, 1
        for j, c in enumerate(box):
            acc += counts[c]
            if acc * 2 >= total:
                cut = max(1, min(len(box) - 1, j + 1))
                break
        boxes.insert(best, box[cut:])
        boxes.insert(best, box[:cut])
    pal = []
    for box in boxes:
        n = sum(counts[c] for c in box)
        pal.append(tuple((sum(c[k] * counts[c] for c in box) + n // 2) // n
                         for k in range(3)))
    return sorted(set(pal))


def nearest(pal, c):
    best, bd = 0, None
    for i, p in enumerate(pal):
        d = ((p[0] - c[0]) * 30) ** 2 + ((p[1] - c[1]) * 59) ** 2 + ((p[2] - c[2]) * 11) ** 2
        if bd is None or d < bd:
            best, bd = i, d
    return best


def icon_8bpp(canvas):
    cols, mask = opaque_pixels(canvas)
    opaque = [c for c in cols if c is not None]
    pal = [(0, 0, 0)] + [c for c in median_cut(opaque, 255) if c != (0, 0, 0)]
    pal = pal[:256]
    cache = {}
    idx = []
    for c in cols:
        if c is None:
            idx.append(0)
            continue
        if c not in cache:
            cache[c] = nearest(pal, c)
        idx.append(cache[c])
    return (canvas.w, 8, pal, idx, mask)


VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128),
         (128, 0, 128), (0, 128, 128), (192, 192, 192), (128, 128, 128),
         (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
         (0, 255, 255), (255, 255, 255)]


def icon_fixed(canvas, pal, bpp):
    cols, mask = opaque_pixels(canvas)
    idx = [0 if c is None else nearest(pal, c) for c in cols]
    return (canvas.w, bpp, pal, idx, mask)


def icon_preview(image):
    """Canvas (with alpha) showing what an icon image looks like."""
    size, bpp, pal, idx, mask = image
    c = Canvas(size, size, alpha=0.0)
    for i in range(size * size):
        if not mask[i]:
            r, g, b = pal[idx[i]]
            c.r[i], c.g[i], c.b[i], c.a[i] = r / 255.0, g / 255.0, b / 255.0, 1.0
    return c


# ---------------------------------------------------------------------------
# Panel pictures
# ---------------------------------------------------------------------------

GREEN = hexc('#38f25c')
RED = hexc('#ff3b2e')
TEAL = hexc('#19d3c5')
STEEL_TEXT = hexc('#e6f3fb')


def art_lamps():
    """1400: 40 x 32, green 'On' lamp on top, red 'Off' lamp below."""
    c = Canvas(40, 32)
    for y0, word, stops, ink in (
            (0, 'On', [(0.0, hexc('#c8ffc0')), (0.45, hexc('#37d653')),
                       (1.0, hexc('#0a6e22'))], hexc('#03330d')),
            (16, 'Off', [(0.0, hexc('#ffc4ba')), (0.45, hexc('#ea3a26')),
                         (1.0, hexc('#760c06'))], hexc('#fff4f0'))):
        c.fill([rrect(0.5, y0 + 0.5, 39.5, y0 + 15.5, 7.5)],
               vgrad(y0 + 0.5, y0 + 15.5, [(0.0, hexc('#5b626c')),
                                           (1.0, hexc('#15181c'))]), ss=6)
        c.fill([rrect(2.0, y0 + 2.0, 38.0, y0 + 14.0, 6.0)],
               vgrad(y0 + 2, y0 + 14, stops), ss=6)
        c.fill([rrect(5.0, y0 + 2.6, 35.0, y0 + 7.4, 2.4)],
               vgrad(y0 + 2.6, y0 + 7.4, [(0.0, (1, 1, 1, 0.55)), (1.0, (1, 1, 1, 0.05))]),
               ss=6)
        if word == 'Off':
            c.fill(FONT.centred(word, 20.4, y0 + 11.9, 7.4, 1.75), hexc('#4a0502'),
                   ss=8, opacity=0.6)
        c.fill(FONT.centred(word, 20.0, y0 + 11.5, 7.4, 1.45), ink, ss=8)
    return c


def art_case_state():
    """1403: 100 x 20, 'Close' in green (left 50) and 'Open' in red (right 50)."""
    c = Canvas(100, 20)
    for x0, word, col in ((0, 'Close', GREEN), (50, 'Open', RED)):
        cell = Canvas(50, 20)
        cov = cell.mask(FONT.centred(word, 25.0, 15.0, 10.0, 1.7), ss=8)
        cell.glow(cov, scale_c(col, 0.6), 1, opacity=0.5, passes=2)
        cell.paint(cov, col)
        c.blit(cell, x0, 0)
    return c


def art_chassis():
    """1404: 78 x 35 tower case with the word Case (77 x 34 is shown)."""
    c = Canvas(78, 35)
    outline = hexc('#0d1014')
    # side panel seen in perspective
    c.fill([[(22.5, 2.0), (28.5, 4.5), (28.5, 30.5), (22.5, 33.0)]],
           vgrad(2, 33, [(0.0, hexc('#7d8590')), (1.0, hexc('#474d55'))]), ss=6)
    c.fill(stroke([(22.5, 2.0), (28.5, 4.5), (28.5, 30.5), (22.5, 33.0)], 0.9),
           outline, ss=6)
    # front
    c.fill([rrect(3.0, 1.5, 23.0, 33.0, 2.0)],
           hgrad(3, 23, [(0.0, hexc('#f2f5f8')), (0.5, hexc('#c9ced5')),
                         (1.0, hexc('#9aa1aa'))]), ss=6)
    c.fill([rrect(2.5, 1.0, 23.5, 33.5, 2.4)], outline,
           sub_polys=[rrect(3.4, 1.9, 22.6, 32.6, 1.6)], ss=6)
    # two 5.25" bays and a floppy drive
    for y in (4.5, 8.5):
        c.fill([rect(5.5, y, 20.5, y + 3.0)], hexc('#39414b'), ss=6)
        c.fill([rect(6.5, y + 1.3, 19.5, y + 1.8)], hexc('#171b20'), ss=6)
    c.fill([rect(8.5, 13.5, 17.5, 15.8)], hexc('#39414b'), ss=6)
    c.fill([rect(9.3, 14.4, 15.2, 14.9)], hexc('#101317'), ss=6)
    # power button and lamps
    c.fill([ellipse(13.0, 20.5, 2.2, 2.2)], hexc('#3a4049'), ss=6)
    c.fill([ellipse(13.0, 20.5, 1.3, 1.3)], hexc('#4cf06a'), ss=6)
    c.fill([ellipse(8.2, 20.5, 0.75, 0.75)], hexc('#ffb43a'), ss=6)
    c.fill([ellipse(17.8, 20.5, 0.75, 0.75)], hexc('#4cf06a'), ss=6)
    # air vents
    for y in (25.0, 26.8, 28.6, 30.4):
        c.fill([rect(6.0, y, 20.0, y + 0.8)], hexc('#5c646e'), ss=6)
    c.fill([rect(4.5, 33.0, 8.0, 34.0), rect(18.0, 33.0, 21.5, 34.0)], outline, ss=6)
    cov = c.mask(FONT.polys('Case', 33.0, 29.0, 10.0, 1.7), ss=8)
    c.glow(cov, scale_c(TEAL, 0.5), 1, opacity=0.4, passes=2)
    c.paint(cov, STEEL_TEXT)
    c.clear_rect(77, 0, 78, 35)
    c.clear_rect(0, 34, 78, 35)
    return c


def panel_voltage_labels():
    """The label texts in channel order, from PanelVoltageLabel in
    monitor/core/reading_text.h, which the reading log's header uses too."""
    header = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..',
                          'monitor', 'core', 'reading_text.h')
    with open(header) as f:
        table = re.search(r'PanelVoltageLabel\[[^]]*\]\s*=\s*\{([^}]*)\}',
                          f.read()).group(1)
    labels = tuple(re.findall(r'"([^"]*)"', table))
    assert len(labels) == 8, labels
    return labels


def art_volt_labels():
    """1408: 65 x 180, eight 65 x 20 voltage channel labels."""
    c = Canvas(65, 180)
    for k, name in enumerate(panel_voltage_labels()):
        y = 20 * k
        c.fill([rrect(1.0, y + 2.0, 64.0, y + 18.0, 3.0)],
               hgrad(1, 64, [(0.0, hexc('#173444')), (1.0, hexc('#0a151c'))]), ss=6)
        c.fill([rrect(1.0, y + 2.0, 3.4, y + 18.0, 1.2)], TEAL, ss=6)
        c.fill(FONT.polys(name, 8.0, y + 14.5, 9.0, 1.55, spacing=2.6),
               hexc('#a6ecff'), ss=8)
    return c


def thermometer_polys(x, y0, y1, w):
    """Tube from y0 down to the bulb centre y1, tube width w."""
    return stroke([(x, y0), (x, y1)], w) + [ellipse(x, y1, w * 0.95, w * 0.95)]


def draw_thermometer(c, x, y0, y1, w, level, outline=None, ss=6):
    if outline is not None:
        c.fill(thermometer_polys(x, y0, y1, w + 2.0), outline, ss=ss)
    c.fill(thermometer_polys(x, y0, y1, w), hexc('#eef4f8'), ss=ss)
    c.fill(thermometer_polys(x, level, y1, w * 0.45), hexc('#e8261a'), ss=ss)
    c.fill([ellipse(x - w * 0.3, y1 - w * 0.3, w * 0.25, w * 0.25)],
           (1, 1, 1, 0.7), ss=ss)


def fan_blade_polys(cx, cy, r0, r1, n, phase, width=40.0, sweep=38.0):
    polys = []
    for i in range(n):
        a0 = phase + 360.0 * i / n
        lead, trail = [], []
        for s in range(9):
            t = s / 8.0
            r = r0 + (r1 - r0) * t
            a = math.radians(a0 + sweep * t)
            # blades widen from the hub and narrow slightly at the tip
            wdt = math.radians(width * (0.55 + 0.45 * math.sin(0.9 * math.pi * min(1.0, t * 1.2))))
            lead.append((cx + r * math.cos(a), cy + r * math.sin(a)))
            trail.append((cx + r * math.cos(a + wdt), cy + r * math.sin(a + wdt)))
        polys.append(lead + trail[::-1])
    return polys


def draw_fan(c, cx, cy, r, blade, frame=True, ss=6):
    if frame:
        c.fill([rrect(cx - r, cy - r, cx + r, cy + r, r * 0.3)],
               vgrad(cy - r, cy + r, [(0.0, hexc('#5d6875')), (1.0, hexc('#2a3139'))]),
               sub_polys=[ellipse(cx, cy, r * 0.86, r * 0.86)], ss=ss)
        for dx, dy in ((-1, -1), (1, -1), (-1, 1), (1, 1)):
            c.fill([ellipse(cx + dx * r * 0.72, cy + dy * r * 0.72, r * 0.1, r * 0.1)],
                   hexc('#14181d'), ss=ss)
    c.fill(fan_blade_polys(cx, cy, r * 0.2, r * 0.8, 5, -90.0), blade, ss=ss)
    c.fill([ellipse(cx, cy, r * 0.26, r * 0.26)], hexc('#1c2a33'), ss=ss)
    c.fill([ellipse(cx, cy, r * 0.12, r * 0.12)], hexc('#8fa3b3'), ss=ss)


def draw_battery(c, x0, y0, x1, y1, ss=6):
    h = y1 - y0
    c.fill([rrect(x0, y0, x1 - 2.5, y1, 2.0)], hexc('#d5dde4'),
           sub_polys=[rrect(x0 + 1.3, y0 + 1.3, x1 - 3.8, y1 - 1.3, 1.0)], ss=ss)
    c.fill([rrect(x1 - 2.8, y0 + h * 0.3, x1, y1 - h * 0.3, 0.8)], hexc('#d5dde4'), ss=ss)
    cells = 3
    inner0, inner1 = x0 + 2.5, x1 - 5.0
    step = (inner1 - inner0) / cells
    for i in range(cells):
        c.fill([rect(inner0 + i * step + 0.3, y0 + 2.5, inner0 + (i + 1) * step - 0.7, y1 - 2.5)],
               vgrad(y0 + 2.5, y1 - 2.5, [(0.0, hexc('#8dffa0')), (1.0, hexc('#1aa83a'))]),
               ss=ss)


def draw_heading(c, y0, y1, text, icon):
    """Section heading band: accent bar, icon, caption, fading rule."""
    c.fill([rect(4, y0, 396, y1)],
           hgrad(4, 396, [(0.0, hexc('#123a4a')), (0.45, hexc('#0a1d26')),
                          (1.0, hexc('#000000'))]), ss=2)
    c.fill([rect(4, y0, 6, y1)], TEAL, ss=2)
    c.fill([rect(6, y1 - 1, 396, y1)],
           hgrad(6, 396, [(0.0, TEAL), (0.6, scale_c(TEAL, 0.25)), (1.0, (0, 0, 0))]),
           ss=2)
    icon(c)
    mid = (y0 + y1) / 2.0
    cov = c.mask(FONT.polys(text, 36.0, mid + 5.0, 10.0, 1.7, spacing=2.5), ss=6)
    c.glow(cov, scale_c(TEAL, 0.6), 1, opacity=0.45, passes=2)
    c.paint(cov, STEEL_TEXT)


def draw_title_band(c):
    # plate
    c.fill([rrect(4, 6, 396, 56, 7)],
           vgrad(6, 56, [(0.0, hexc('#17445a')), (0.5, hexc('#0b2230')),
                         (1.0, hexc('#050e14'))]), ss=4)
    c.fill([rrect(4, 6, 396, 56, 7)], hexc('#2f8aa6'),
           sub_polys=[rrect(5, 7, 395, 55, 6)], ss=4, opacity=0.85)
    c.fill([rect(12, 7.2, 388, 8.0)], (1, 1, 1, 0.18), ss=4)
    # emblem: gauge ring with a thermometer
    cx, cy = 31.0, 31.0
    c.fill([ellipse(cx, cy, 21.5, 21.5)], hexc('#04090d'), ss=6)
    c.fill([ellipse(cx, cy, 20.5, 20.5)],
           rgrad(cx - 5, cy - 6, 26, [(0.0, hexc('#1f6a82')), (1.0, hexc('#07161e'))]),
           ss=6)
    c.fill([ellipse(cx, cy, 20.5, 20.5)],
           vgrad(cy - 20, cy + 20, [(0.0, hexc('#9fe9ff')), (1.0, hexc('#1c6276'))]),
           sub_polys=[ellipse(cx, cy, 18.8, 18.8)], ss=6)
    scale = [(0.0, hexc('#3a7bff')), (0.4, hexc('#27e0a0')), (0.7, hexc('#ffd23a')),
             (1.0, hexc('#ff3b2e'))]
    for i in range(19):
        t = i / 18.0
        a = math.radians(135.0 + 270.0 * t)
        r0 = 13.6 if i % 3 else 12.4
        p0 = (cx + r0 * math.cos(a), cy + r0 * math.sin(a))
        p1 = (cx + 16.6 * math.cos(a), cy + 16.6 * math.sin(a))
        c.fill(stroke([p0, p1], 1.25 if i % 3 else 1.6), gradient_stops(scale, t), ss=6)
    draw_thermometer(c, cx, 20.0, 38.0, 4.2, 26.0, outline=hexc('#04090d'))
    # product name
    name_polys = FONT.polys('QX7305', 62.0, 37.0, 19.0, 3.0, spacing=2.2)
    x2 = 62.0 + FONT.width('QX7305 ', 19.0, 2.2) + 2.2 * 1.9
    prod_polys = FONT.polys('Thermivo', x2, 37.0, 19.0, 3.0, spacing=2.2)
    cov = c.mask(name_polys + prod_polys, ss=4)
    c.glow(cov, hexc('#000000'), 1, opacity=0.8, passes=2)
    c.fill(name_polys, vgrad(18, 37, [(0.0, hexc('#ffffff')), (0.55, hexc('#d2dde6')),
                                      (1.0, hexc('#8c9baa'))]), ss=4)
    c.fill(prod_polys, vgrad(18, 37, [(0.0, hexc('#9ffff0')), (0.55, hexc('#2ee0cf')),
                                      (1.0, hexc('#0f8fa6'))]), ss=4)
    c.fill(FONT.polys('HARDWARE  MONITOR', 63.0, 50.5, 6.4, 1.15, spacing=4.2),
           hexc('#6fb3c8'), ss=6)
    # sensor trace on the right of the plate
    gx0, gx1, gy0, gy1 = 290.0, 386.0, 14.0, 48.0
    grid = []
    for i in range(0, 7):
        x = gx0 + (gx1 - gx0) * i / 6.0
        grid.append(rect(x - 0.25, gy0, x + 0.25, gy1))
    for i in range(0, 5):
        y = gy0 + (gy1 - gy0) * i / 4.0
        grid.append(rect(gx0, y - 0.25, gx1, y + 0.25))
    c.fill(grid, hexc('#2a6478'), ss=4, opacity=0.6)
    pts = []
    for i in range(97):
        t = i / 96.0
        v = (0.55 * math.sin(t * 9.0) + 0.25 * math.sin(t * 23.0 + 1.0) +
             0.12 * math.sin(t * 41.0 + 2.0))
        pts.append((gx0 + (gx1 - gx0) * t, (gy0 + gy1) / 2.0 - v * 12.0))
    trace = stroke(pts, 1.3)
    cov = c.mask(trace, ss=4)
    c.glow(cov, hexc('#19d3c5'), 2, opacity=0.8, passes=2)
    c.paint(cov, hexc('#b9fff6'))


def art_background():
    """1405: 400 x 400 panel background."""
    c = Canvas(400, 400)
    draw_title_band(c)

    def thermo_icon(cv):
        draw_thermometer(cv, 18.0, 63.5, 74.0, 3.6, 67.0, outline=hexc('#04090d'))
    draw_heading(c, 60, 80, 'Current Temperature', thermo_icon)

    def fan_icon(cv):
        draw_fan(cv, 18.5, 165.0, 8.0, hexc('#bff3ff'))
    draw_heading(c, 156, 174, 'Current Fan Speed', fan_icon)

    def battery_icon(cv):
        draw_battery(cv, 9.0, 232.0, 29.0, 243.5)
    draw_heading(c, 228, 247, 'Current Voltage', battery_icon)

    for j, word in enumerate(('About', 'Exit', 'Hide', 'Option')):
        x0 = 60 * j
        c.fill([rrect(x0 + 4, 371, x0 + 56, 392, 4.5)],
               vgrad(371, 392, [(0.0, hexc('#8fa6b8')), (1.0, hexc('#3b4754'))]), ss=4)
        c.fill([rrect(x0 + 5, 372, x0 + 55, 391, 3.5)],
               vgrad(372, 391, [(0.0, hexc('#4e6073')), (0.48, hexc('#2e3a47')),
                                (0.52, hexc('#232d38')), (1.0, hexc('#1a222b'))]), ss=4)
        c.fill([rect(x0 + 9, 372.4, x0 + 51, 373.2)], (1, 1, 1, 0.22), ss=4)
        c.fill(FONT.centred(word, x0 + 30.0, 386.0, 9.0, 1.5, spacing=2.3),
               hexc('#000000'), ss=6, opacity=0.6)
        c.fill(FONT.centred(word, x0 + 30.0, 385.4, 9.0, 1.5, spacing=2.3),
               hexc('#f0f6fb'), ss=6)
    return c


# ---------------------------------------------------------------------------
# Icons
# ---------------------------------------------------------------------------


def gear_polys(cx, cy, r_out, r_in, teeth, phase=0.0):
    pts = []
    for i in range(teeth):
        a = 360.0 * i / teeth + phase
        half = 360.0 / teeth / 2.0
        for da, r in ((-half * 0.95, r_in), (-half * 0.45, r_out),
                      (half * 0.45, r_out), (half * 0.95, r_in)):
            t = math.radians(a + da)
            pts.append((cx + r * math.cos(t), cy + r * math.sin(t)))
    return [pts]


def icon_fan_disc(c, cx, cy, r, hot):
    outline = hexc('#0a0f14') if not hot else hexc('#2a0502')
    c.fill([ellipse(cx, cy, r, r)], outline, ss=8)
    if hot:
        disc = [(0.0, hexc('#ffd24a')), (0.45, hexc('#ff7a1a')), (1.0, hexc('#b0140a'))]
        blade = hexc('#fff6d8')
    else:
        disc = [(0.0, hexc('#45d2ee')), (0.6, hexc('#1782ab')), (1.0, hexc('#0b3c5c'))]
        blade = hexc('#e6fbff')
    c.fill([ellipse(cx, cy, r - 1.0, r - 1.0)], rgrad(cx - r * 0.3, cy - r * 0.3, r * 1.5, disc),
           ss=8)
    c.fill(fan_blade_polys(cx, cy, r * 0.22, r * 0.84, 5, -80.0, width=44.0, sweep=42.0),
           blade, ss=8)
    c.fill([ellipse(cx, cy, r * 0.27, r * 0.27)], outline, ss=8)
    c.fill([ellipse(cx, cy, r * 0.17, r * 0.17)],
           hexc('#9fb4c4') if not hot else hexc('#ffcf9a'), ss=8)


def icon_thermometer(c, x, top, bulb, full):
    dark = hexc('#0a0f14')
    c.fill(thermometer_polys(x, top, bulb, 5.0 + 2.2), dark, ss=8)
    c.fill(thermometer_polys(x, top, bulb, 5.0), hexc('#f6f9fb'), ss=8)
    level = top if full else (top + bulb) / 2.0
    c.fill(thermometer_polys(x, level, bulb, 2.4), hexc('#e0201a'), ss=8)
    c.fill([ellipse(x, bulb, 3.7, 3.7)], hexc('#e0201a'), ss=8)
    c.fill([ellipse(x - 1.2, bulb - 1.2, 1.0, 1.0)], (1, 1, 1, 0.8), ss=8)
    for y in range(int(top + 3), int(bulb - 4), 3):
        c.fill([rect(x + 0.6, y, x + 2.2, y + 0.7)], hexc('#51606c'), ss=8)


def icon_normal():
    c = Canvas(32, 32, alpha=0.0)
    icon_fan_disc(c, 14.0, 16.0, 13.8, hot=False)
    icon_thermometer(c, 25.5, 4.0, 25.5, full=False)
    return c


def icon_alarm():
    c = Canvas(32, 32, alpha=0.0)
    icon_fan_disc(c, 14.0, 16.0, 13.8, hot=True)
    icon_thermometer(c, 25.5, 4.0, 25.5, full=True)
    tri = [(7.5, 15.0), (15.2, 30.6), (-0.2, 30.6)]
    c.fill([[(7.5, 13.2), (16.6, 31.5), (-1.6, 31.5)]], hexc('#1a0e00'), ss=8)
    c.fill([tri], vgrad(15, 31, [(0.0, hexc('#fff27a')), (1.0, hexc('#ffc400'))]), ss=8)
    c.fill([[(6.5, 19.5), (8.5, 19.5), (8.0, 26.0), (7.0, 26.0)]], hexc('#1a0e00'), ss=8)
    c.fill([ellipse(7.5, 28.3, 1.15, 1.15)], hexc('#1a0e00'), ss=8)
    return c


def icon_options():
    c = Canvas(32, 32, alpha=0.0)
    icon_fan_disc(c, 12.5, 12.5, 12.0, hot=False)
    dark = hexc('#0a0f14')
    cx, cy = 21.5, 21.5
    c.fill(gear_polys(cx, cy, 10.4, 8.0, 8, 11.25), dark, ss=8)
    c.fill(gear_polys(cx, cy, 9.3, 7.0, 8, 11.25),
           rgrad(cx - 3, cy - 3, 11, [(0.0, hexc('#f4f7fa')), (1.0, hexc('#8a96a3'))]),
           sub_polys=[ellipse(cx, cy, 3.4, 3.4)], ss=8)
    c.fill([ellipse(cx, cy, 3.4, 3.4)], dark, sub_polys=[ellipse(cx, cy, 2.3, 2.3)], ss=8)
    return c


def draw_setup_box(c, mono):
    """Shipping box with an arrow going in.  mono: black and white only."""
    black, white = (0, 0, 0), (1, 1, 1)

    def vga(i):
        return tuple(v / 255.0 for v in VGA16[i])
    top = [(3.0, 13.0), (16.0, 7.5), (29.0, 13.0), (16.0, 18.5)]
    left = [(3.0, 13.0), (16.0, 18.5), (16.0, 30.5), (3.0, 25.0)]
    right = [(16.0, 18.5), (29.0, 13.0), (29.0, 25.0), (16.0, 30.5)]
    if mono:
        def right_paint(x, y):
            return black if (int(x) + int(y)) % 2 else white
        fills = ((top, white), (left, white), (right, right_paint))
    else:
        def right_paint(x, y):
            return vga(0) if (int(x) + int(y)) % 2 else vga(3)
        fills = ((top, vga(11)), (left, vga(3)), (right, right_paint))
    for poly, paint in fills:
        c.fill([poly], paint, ss=1)
    # tape across the lid
    c.fill([[(8.5, 10.6), (10.5, 9.75), (23.5, 15.25), (21.5, 16.1)]],
           white if mono else vga(7), ss=1)
    if not mono:
        # product label with a thermometer on the front
        c.fill([[(5.0, 16.5), (13.0, 19.9), (13.0, 27.4), (5.0, 24.0)]], vga(15), ss=1)
        c.fill([rect(7.0, 17.0, 11.0, 24.0), rect(6.0, 23.0, 12.0, 27.0),
                rect(7.0, 22.0, 11.0, 28.0)], vga(8), ss=1)
        c.fill([rect(8.0, 18.0, 10.0, 20.0)], vga(15), ss=1)
        c.fill([rect(8.0, 20.0, 10.0, 27.0), rect(7.0, 24.0, 11.0, 26.0)], vga(9), ss=1)
    edges = [top, left, right]
    for poly in edges:
        c.fill(stroke(poly, 1.0, closed=True), black, ss=1)
    # arrow into the box
    arrow = [(13.0, 0.0), (19.0, 0.0), (19.0, 6.0), (23.0, 6.0), (16.0, 13.0),
             (9.0, 6.0), (13.0, 6.0)]
    c.fill([arrow], black if mono else vga(10), ss=1)
    c.fill(stroke(arrow, 1.0, closed=True), black, ss=1)


def icon_setup_images():
    mono = Canvas(32, 32, alpha=0.0)
    draw_setup_box(mono, True)
    colour = Canvas(32, 32, alpha=0.0)
    draw_setup_box(colour, False)
    return [icon_fixed(mono, [(0, 0, 0), (255, 255, 255)], 1),
            icon_fixed(colour, VGA16, 4)]


# ---------------------------------------------------------------------------
# Output table
# ---------------------------------------------------------------------------

# (relative path, resource id, width, height, builder)
BITMAPS = [
    ('monitor/res/value_green.bmp', 1300, 255, 20,
     lambda: build_strip(255, 20, VALUE_CELLS, segment_cell(hexc('#39ff5e'), hexc('#1fa83a')))),
    ('monitor/res/value_fan.bmp', 1301, 255, 20,
     lambda: build_strip(255, 20, VALUE_CELLS, fan_tile_cell)),
    ('monitor/res/value_red.bmp', 1302, 255, 20,
     lambda: build_strip(255, 20, VALUE_CELLS, segment_cell(hexc('#ff3b2e'), hexc('#b01a10')))),
    ('monitor/res/volt_white.bmp', 1305, 255, 20,
     lambda: build_strip(255, 20, VALUE_CELLS, italic_cell(hexc('#f2f6fa'), hexc('#6a7a90')))),
    ('monitor/res/volt_red.bmp', 1306, 255, 20,
     lambda: build_strip(255, 20, VALUE_CELLS, italic_cell(hexc('#ff4236'), hexc('#a0160c')))),
    ('monitor/res/clock.bmp', 1307, 336, 25,
     lambda: build_strip(336, 25, CLOCK_CELLS, clock_cell)),
    ('monitor/res/lamps.bmp', 1400, 40, 32, art_lamps),
    ('monitor/res/case_state.bmp', 1403, 100, 20, art_case_state),
    ('monitor/res/chassis.bmp', 1404, 78, 35, art_chassis),
    ('monitor/res/background.bmp', 1405, 400, 400, art_background),
    ('monitor/res/volt_labels.bmp', 1408, 65, 180, art_volt_labels),
]

ICONS = [
    ('monitor/res/kelvimon.ico', 101, lambda: [icon_8bpp(icon_normal())]),
    ('monitor/res/kelvimon_alarm.ico', 102, lambda: [icon_8bpp(icon_alarm())]),
    ('monitor/res/options.ico', 178, lambda: [icon_8bpp(icon_options())]),
    ('setup/res/setup.ico', 101, icon_setup_images),
]


# ---------------------------------------------------------------------------
# Preview: a mock-up of the running panel and a contact sheet
# ---------------------------------------------------------------------------

def value_cell_table():
    return {ch: (x, w) for ch, x, w, _ in VALUE_CELLS}


def mock_value_text(dst, x, y, text, strip):
    """Draws text the way the panel does: sign cell, opaque cells, spaces."""
    cells = value_cell_table()
    if text.startswith('-'):
        dst.blit(strip, x - 10, y, 200, 0, 10, 20)
        text = text[1:]
    else:
        dst.clear_rect(x - 10, y, x, y + 20)
    for ch in text:
        if ch == ' ':
            dst.clear_rect(x, y, x + 15, y + 20)
            x += 15
        elif ch in cells:
            sx, w = cells[ch]
            dst.blit(strip, x, y, sx, 0, w, 20)
            x += w


def mock_clock_text(dst, x, y, text, strip):
    cells = {ch: (sx, w, h) for ch, sx, w, h in CLOCK_CELLS}
    for ch in text:
        if ch == ' ':
            x += 15
        elif ch in cells:
            sx, w, h = cells[ch]
            dst.blit(strip, x, y, sx, 0, w, h)
            x += w


def mock_panel(art):
    p = Canvas(400, 400)
    p.blit(art[1405], 0, 0)
    labels = art[1408]
    for c in range(8):
        p.blit(labels, 10 + 190 * (c // 4), 250 + 20 * (c % 4), 0, 20 * c, 65, 20)
    for k, (title, cx) in enumerate((('CPU', 70), ('System', 190), ('Panel', 310))):
        x = cx - 6 * len(title)
        p.fill(FONT.polys(title, x + 1, 104.0, 14.0, 2.4, spacing=2.0),
               (0.0, 244 / 255.0, 200 / 255.0), ss=4)
    on = [1, 1, 1, 1, 0, 1]
    rects = [(60, 135), (180, 135), (300, 135), (60, 205), (180, 205), (300, 205)]
    for i, (x, y) in enumerate(rects):
        p.blit(art[1400], x, y, 0, 0 if on[i] else 16, 40, 16)
    mock_value_text(p, 40, 110, '045oC', art[1300])
    mock_value_text(p, 160, 110, '-005oC', art[1300])
    mock_value_text(p, 280, 110, '072oC', art[1302])
    mock_value_text(p, 40, 180, '04821 ', art[1301])
    mock_value_text(p, 280, 180, '00000 ', art[1301])
    volts = [(' 1.74V', 1305), ('12.09V', 1305), ('-12.09V', 1305), (' 3.30V', 1305),
             (' 2.51V', 1305), (' 1.80V', 1306), (' 1.49V', 1305), (' 1.51V', 1305)]
    for c, (text, sid) in enumerate(volts):
        mock_value_text(p, 90 + 190 * (c // 4), 250 + 20 * (c % 4), text, art[sid])
    mock_clock_text(p, 230, 343, '11-06-2026', art[1307])
    mock_clock_text(p, 250, 367, '14:05:09', art[1307])
    p.blit(art[1404], 13, 331, 0, 0, 77, 34)
    p.blit(art[1403], 13 + 77, 331 + 14, 0, 0, 50, 20)
    # focus ring on the Exit button, 2 px magenta pen
    l, t, r, b = 60, 368, 120, 393
    ring = stroke([(l, b + 1), (r, b + 1), (r, t - 1), (l, t - 1)], 2.0, closed=True)
    p.fill(ring, (192 / 255.0, 0.0, 192 / 255.0), ss=1)
    return p


def checker(x, y):
    return (200, 200, 200) if ((x // 4) + (y // 4)) % 2 else (150, 150, 150)


def contact_sheet(art, icon_images, mock):
    items = [('panel mock-up (1:1)', mock)]
    for path, rid, w, h, _ in BITMAPS:
        if rid == 1405:
            items.append(('%d %s' % (rid, os.path.basename(path)), art[rid]))
            continue
        f = 3 if w <= 100 else 2
        items.append(('%d %s x%d' % (rid, os.path.basename(path), f),
                      art[rid].scaled_nearest(f)))
    for name, images in icon_images:
        for image in images:
            items.append(('%s %dbpp x4' % (name, image[1]),
                          icon_preview(image).scaled_nearest(4)))
    width, pad, cap = 1240, 12, 16
    placed, x, y, row_h = [], pad, pad, 0
    for caption, cv in items:
        if x + cv.w > width - pad and x > pad:
            x, y = pad, y + row_h + pad
            row_h = 0
        placed.append((caption, cv, x, y))
        x += cv.w + pad
        row_h = max(row_h, cv.h + cap)
    sheet = Canvas(width, y + row_h + pad, hexc('#3b3f45'))
    for caption, cv, x, y in placed:
        sheet.fill(FONT.polys(caption, x, y + 10, 8.0, 1.2), hexc('#e8eef3'), ss=4)
        frame = Canvas(cv.w, cv.h, hexc('#9a9a9a'))
        for yy in range(cv.h):
            for xx in range(cv.w):
                i = yy * cv.w + xx
                bg = checker(xx, yy)
                a = cv.a[i]
                frame.r[i] = cv.r[i] + bg[0] / 255.0 * (1 - a)
                frame.g[i] = cv.g[i] + bg[1] / 255.0 * (1 - a)
                frame.b[i] = cv.b[i] + bg[2] / 255.0 * (1 - a)
        sheet.blit(frame, x, y + cap)
    return sheet


# ---------------------------------------------------------------------------
# Main
# ---------------------------------------------------------------------------

def bmp_size(data):
    """(width, height, bits per pixel) read back from a BMP file image."""
    if data[:2] != b'BM':
        raise ValueError('not a BMP')
    size, w, h, planes, bpp, comp = struct.unpack('<IiiHHI', data[14:34])
    return w, h, bpp


def generate():
    """Returns ({relative path: bytes}, {resource id: canvas}, icon images)."""
    files, art, icon_images = {}, {}, []
    for path, rid, w, h, build in BITMAPS:
        cv = build()
        if (cv.w, cv.h) != (w, h):
            raise AssertionError('%s is %dx%d, expected %dx%d' % (path, cv.w, cv.h, w, h))
        data = bmp_bytes(cv)
        if bmp_size(data) != (w, h, 8):
            raise AssertionError('%s header does not read back' % path)
        files[path] = data
        art[rid] = cv
    for path, rid, build in ICONS:
        images = build()
        files[path] = ico_bytes(images)
        icon_images.append((os.path.basename(path), images))
    return files, art, icon_images


def write(path, data):
    d = os.path.dirname(path)
    if d:
        os.makedirs(d, exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


def main(argv=None):
    repo = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    ap = argparse.ArgumentParser(description='Generate the Kelvimon panel bitmaps and icons.')
    ap.add_argument('--out', default=repo, help='output root (default: the repository)')
    ap.add_argument('--preview', help='also write PNG previews into this directory')
    args = ap.parse_args(argv)
    files, art, icon_images = generate()
    for rel, data in sorted(files.items()):
        write(os.path.join(args.out, rel), data)
    if args.preview:
        pv = args.preview
        for path, rid, w, h, _ in BITMAPS:
            f = 1 if w >= 400 else (4 if w <= 100 else 3)
            name = '%d_%s.png' % (rid, os.path.splitext(os.path.basename(path))[0])
            write(os.path.join(pv, name), png_bytes(art[rid].scaled_nearest(f)))
        for name, images in icon_images:
            for image in images:
                cv = icon_preview(image).scaled_nearest(4)
                write(os.path.join(pv, '%s_%dbpp.png' % (os.path.splitext(name)[0], image[1])),
                      png_bytes(cv, checker))
        mock = mock_panel(art)
        write(os.path.join(pv, 'panel_mockup.png'), png_bytes(mock))
        write(os.path.join(pv, 'panel_mockup_x2.png'), png_bytes(mock.scaled_nearest(2)))
        write(os.path.join(pv, 'contact_sheet.png'),
              png_bytes(contact_sheet(art, icon_images, mock)))
    print('gen_panel_art: wrote %d files under %s' % (len(files), args.out))
    return 0


if __name__ == '__main__':
    sys.exit(main())
