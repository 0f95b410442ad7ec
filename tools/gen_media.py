#!/usr/bin/python3
"""Generate the monitor's About-box animation and its alert sound.

    /usr/bin/python3 tools/gen_media.py [--out DIR] [--preview DIR]

Writes monitor/res/about.avi (AVI resource 1900) and monitor/res/alert.wav
(WAVE resource 1901) under DIR, by default the repository root.  Both files
are computed from scratch with the standard library only, and the output is
byte-for-byte the same on every run: there are no timestamps, no random seeds
and no dictionary-order dependencies.  --preview DIR additionally writes PNG
frames and contact sheets of the animation for looking at.

The animation is a square blue badge with a spinning case fan and a
thermometer whose bulb glows and whose column rises and falls.  The About box
plays it in a SysAnimate32 control with ACS_TRANSPARENT, which makes the
colour of a frame's first pixel transparent; everything outside the badge
therefore uses one reserved palette entry (index 0) that no badge pixel uses.
"""

import argparse
import math
import os
import struct
import sys
import zlib

# ---------------------------------------------------------------------------
# Animation parameters

WIDTH = 96
HEIGHT = 96
FRAME_COUNT = 14
USEC_PER_FRAME = 125000          # 8 frames a second
FRAME_BYTES = WIDTH * HEIGHT     # 8 bits per pixel, rows are a multiple of 4

KEY_INDEX = 0
KEY_RGB = (192, 192, 192)        # classic dialog face; also the edge blend
KEY_COVERAGE = 0.08              # badge coverage below this is "outside"

FAN_CX, FAN_CY = 39.0, 48.0
FAN_HALF = 32.0                  # half the side of the square fan frame
FAN_OPENING = 29.5               # radius of the round opening in the frame
BLADE_COUNT = 5
BLADE_ROOT = 8.0
BLADE_TIP = 27.3
HUB_RADIUS = 9.0
# Over one loop the rotor turns by two blade pitches, so frame 14 is frame 0.
LOOP_TURN = 2.0 * (2.0 * math.pi / BLADE_COUNT)
BLUR_SAMPLES = 6
BLUR_SPAN = 0.7                  # fraction of one frame step smeared

THERMO_X = 81.0
TUBE_TOP = 10.0
TUBE_BOTTOM = 74.0
TUBE_RADIUS = 4.5
BULB_CY = 79.0
BULB_RADIUS = 8.0
MERCURY_RADIUS = 1.9
MERCURY_BULB = 5.6
LEVEL_COOL = 46.0                # column top (y) at the coolest frame
LEVEL_HOT = 30.0                 # and at the hottest


def clamp01(v):
    if v < 0.0:
        return 0.0
    if v > 1.0:
        return 1.0
    return v


def coverage(d):
    """Pixel coverage of a shape from its signed distance (negative inside)."""
    return clamp01(0.5 - d)


def mix(a, b, t):
    return (a[0] + (b[0] - a[0]) * t,
            a[1] + (b[1] - a[1]) * t,
            a[2] + (b[2] - a[2]) * t)


def scale(c, k):
    return (c[0] * k, c[1] * k, c[2] * k)


def sd_circle(px, py, cx, cy, r):
    return math.hypot(px - cx, py - cy) - r


def sd_round_box(px, py, cx, cy, half, r):
    qx = abs(px - cx) - half + r
    qy = abs(py - cy) - half + r
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    inside = min(max(qx, qy), 0.0)
    return outside + inside - r


def sd_vsegment(px, py, cx, y0, y1, r):
    """Distance to a vertical capsule from (cx, y0) to (cx, y1)."""
    if py < y0:
        return math.hypot(px - cx, py - y0) - r
    if py > y1:
        return math.hypot(px - cx, py - y1) - r
    return abs(px - cx) - r


def sd_hsegment(px, py, x0, x1, cy, r):
    if px < x0:
        return math.hypot(px - x0, py - cy) - r
    if px > x1:
        return math.hypot(px - x1, py - cy) - r
    return abs(py - cy) - r


def smooth_union(a, b, k):
    h = max(k - abs(a - b), 0.0) / k
    return min(a, b) - h * h * k * 0.25


def round_intersection(a, b, k):
    """Intersection of two shapes with the convex corner rounded by k."""
    qa = a + k
    qb = b + k
    return (math.hypot(max(qa, 0.0), max(qb, 0.0))
            + min(max(qa, qb), 0.0) - k)


def loop_phase(frame):
    """0..1 over the loop; frame FRAME_COUNT is the same as frame 0."""
    return frame / float(FRAME_COUNT)


def heat(frame):
    """Thermometer heat 0 (cool) .. 1 (hot), a smooth cycle over the loop."""
    return 0.5 - 0.5 * math.cos(2.0 * math.pi * loop_phase(frame))


# ---------------------------------------------------------------------------
# Static layers: the badge, the fan frame and the dark well behind the blades

def badge_pixel(x, y):
    """Return (rgb, coverage) of the badge with the fan frame drawn on it."""
    d_badge = sd_round_box(x, y, 48.0, 48.0, 46.5, 15.0)
    a = coverage(d_badge)
    if a <= 0.0:
        return KEY_RGB, 0.0

    # Deep blue, lit from the upper left.
    g = clamp01(math.hypot(x - 24.0, y - 16.0) / 100.0)
    c = mix((64, 108, 170), (12, 26, 58), g)

    # Thin bright rim just inside the edge, strongest at the top.
    rim = clamp01(1.0 - abs(d_badge + 1.6) / 1.1)
    top = clamp01((70.0 - y) / 70.0)
    c = mix(c, (150, 190, 240), rim * (0.15 + 0.45 * top))

    # Soft drop shadow of the fan frame and of the thermometer.
    sh_fan = sd_round_box(x - 1.5, y - 2.5, FAN_CX, FAN_CY, FAN_HALF, 8.0)
    sh_th = thermo_glass_sd(x - 1.5, y - 2.5)
    sh = max(clamp01(0.5 - sh_fan / 3.0), clamp01(0.5 - sh_th / 3.0))
    c = mix(c, (4, 8, 20), 0.45 * sh)

    c = fan_frame_over(x, y, c)
    return c, a


def fan_frame_over(x, y, c):
    d_box = sd_round_box(x, y, FAN_CX, FAN_CY, FAN_HALF, 8.0)
    if d_box > 1.0:
        return c
    r = math.hypot(x - FAN_CX, y - FAN_CY)
    d_open = r - FAN_OPENING
    nx = (x - FAN_CX) / r if r > 0.0 else 0.0
    ny = (y - FAN_CY) / r if r > 0.0 else 0.0
    light = -(nx + ny) * 0.7071        # +1 facing the upper-left light

    if d_open < 0.5:
        # The well: dark, a little lighter in the middle, shaded at the lip.
        well = mix((30, 50, 84), (7, 13, 28), clamp01(r / FAN_OPENING))
        well = scale(well, 1.0 - 0.45 * clamp01((r - 23.0) / 6.5))
        well = struts_over(x, y, r, well)
        c = mix(c, well, coverage(d_box) * coverage(d_open))

    # Frame: square with rounded corners, round opening, four screw holes.
    d_frame = max(d_box, -d_open)
    a = coverage(d_frame)
    if a > 0.0:
        t = clamp01(((x - FAN_CX) + (y - FAN_CY)) / (4.0 * FAN_HALF) + 0.5)
        fc = mix((132, 142, 160), (52, 58, 72), t)
        # Bevel at the opening: the lower-right lip catches the light.
        lip = clamp01(1.0 - abs(d_open - 1.2) / 1.4)
        fc = mix(fc, (205, 215, 230), lip * clamp01(-light) * 0.8)
        fc = mix(fc, (30, 34, 44), lip * clamp01(light) * 0.5)
        # Bevel on the outside edge: bright at the top-left.
        edge = clamp01(1.0 - abs(d_box + 1.0) / 1.2)
        ol = clamp01(((FAN_CX - x) + (FAN_CY - y)) / (2.0 * FAN_HALF))
        fc = mix(fc, (200, 210, 226), edge * ol * 0.7)
        for sx in (-1.0, 1.0):
            for sy in (-1.0, 1.0):
                hx = FAN_CX + sx * 25.2
                hy = FAN_CY + sy * 25.2
                dh = sd_circle(x, y, hx, hy, 2.6)
                if dh < 2.0:
                    # Rim light on the lower right of the hole, dark inside.
                    rim = clamp01(1.0 - abs(dh - 0.6) / 0.9)
                    below = clamp01(((x - hx) + (y - hy)) / 3.0)
                    fc = mix(fc, (185, 195, 212), rim * below * 0.6)
                    fc = mix(fc, (16, 20, 28), coverage(dh))
        c = mix(c, fc, a)
    return c


def struts_over(x, y, r, c):
    """Four thin motor struts, seen through the spinning blades."""
    if r < HUB_RADIUS - 1.0:
        return c
    best = 10.0
    for k in range(4):
        ang = math.pi / 4.0 + k * math.pi / 2.0
        ux, uy = math.cos(ang), math.sin(ang)
        px, py = x - FAN_CX, y - FAN_CY
        along = px * ux + py * uy
        if along < 0.0:
            continue
        across = abs(-px * uy + py * ux)
        best = min(best, across - 1.1)
    return mix(c, (46, 54, 70), coverage(best) * 0.9)


# ---------------------------------------------------------------------------
# Thermometer

def thermo_glass_sd(x, y):
    tube = sd_vsegment(x, y, THERMO_X, TUBE_TOP, TUBE_BOTTOM, TUBE_RADIUS)
    bulb = sd_circle(x, y, THERMO_X, BULB_CY, BULB_RADIUS)
    return smooth_union(tube, bulb, 3.0)


def mercury_sd(x, y, level):
    column = sd_vsegment(x, y, THERMO_X, level, BULB_CY, MERCURY_RADIUS)
    bulb = sd_circle(x, y, THERMO_X, BULB_CY, MERCURY_BULB)
    return smooth_union(column, bulb, 2.0)


def thermometer_over(x, y, c, h):
    """Draw glow, glass, mercury and scale of the thermometer over c."""
    if x < THERMO_X - 22.0:
        return c
    level = LEVEL_COOL + (LEVEL_HOT - LEVEL_COOL) * h
    d_m = mercury_sd(x, y, level)
    d_g = thermo_glass_sd(x, y)

    # Warm glow around the mercury, brighter and wider when hot.
    if d_m > 0.0:
        reach = 4.0 + 2.5 * h
        g = math.exp(-(d_m / reach) ** 2)
        strength = 0.20 + 0.40 * h
        if d_g < 0.0:
            strength *= 0.7             # keep the column readable in the tube
        c = mix(c, (255, 120, 60), g * strength)

    # Glass body: a faint cool tint.
    a_g = coverage(d_g)
    if a_g > 0.0:
        c = mix(c, (215, 232, 250), 0.16 * a_g)

    # Mercury: red, shaded round, slightly brighter when hot.
    a_m = coverage(d_m)
    if a_m > 0.0:
        if y < BULB_CY - MERCURY_BULB + 1.0:
            t = clamp01((x - THERMO_X + MERCURY_RADIUS) / (2 * MERCURY_RADIUS))
        else:
            t = clamp01(0.5 + ((x - THERMO_X) + (y - BULB_CY)) / 12.0)
        mc = mix((255, 132, 100), (150, 16, 18), t)
        mc = mix(mc, (255, 190, 120), 0.25 * h)
        c = mix(c, mc, a_m)

    # Glass outline and highlights on top.
    if abs(d_g + 0.7) < 1.5:
        ring = clamp01(1.0 - abs(d_g + 0.7) / 0.8)
        c = mix(c, (226, 236, 250), 0.85 * ring)
    if TUBE_TOP < y < TUBE_BOTTOM - 2.0:
        streak = coverage(abs(x - (THERMO_X - 2.4)) - 0.45)
        c = mix(c, (255, 255, 255), 0.45 * streak * coverage(d_g + 1.0))
    spot = math.hypot(x - (THERMO_X - 3.0), y - (BULB_CY - 3.2))
    c = mix(c, (255, 255, 255), 0.75 * clamp01(1.0 - spot / 2.2))

    # Scale marks to the right of the tube, longer every other one.
    for k in range(10):
        ty = 14.0 + 6.0 * k
        x1 = 90.5 if k % 2 == 0 else 89.0
        d_t = sd_hsegment(x, y, 87.5, x1, ty, 0.55)
        if d_t < 1.0:
            c = mix(c, (200, 216, 240), 0.8 * coverage(d_t))
    return c


# ---------------------------------------------------------------------------
# Rotor: blades with motion blur, and the hub

def rotor_angle(frame_time):
    return LOOP_TURN * frame_time / FRAME_COUNT


def blades_over(x, y, c, frame):
    px, py = x - FAN_CX, y - FAN_CY
    r = math.hypot(px, py)
    if r > BLADE_TIP + 1.5 or r < HUB_RADIUS - 1.5:
        return c
    ang = math.atan2(py, px)
    t_rad = clamp01((r - BLADE_ROOT) / (BLADE_TIP - BLADE_ROOT))
    sweep = -0.75 * t_rad                # blades curve back from the turn
    half_w = 0.22 + 0.16 * t_rad         # wider towards the tip (radians)
    pitch = 2.0 * math.pi / BLADE_COUNT
    acc_r = acc_g = acc_b = acc_a = 0.0
    for s in range(BLUR_SAMPLES):
        ft = frame + ((s + 0.5) / BLUR_SAMPLES - 0.5) * BLUR_SPAN
        base = rotor_angle(ft)
        rel = ang - base - sweep
        # Nearest blade: reduce the angle to one pitch around a blade axis.
        k = math.floor(rel / pitch + 0.5)
        delta = rel - k * pitch
        blade_axis = base + k * pitch
        d_ang = (abs(delta) - half_w) * r
        d = round_intersection(d_ang, r - BLADE_TIP, 2.2)
        a = coverage(d)
        if a <= 0.0:
            continue
        u = delta / half_w                  # -1 trailing .. +1 leading edge
        facing = math.cos(blade_axis + 0.5 * sweep - math.radians(225.0))
        k_light = 0.70 + 0.16 * u + 0.10 * t_rad + 0.10 * facing
        bc = scale((178, 204, 236), k_light)
        edge = clamp01(1.0 - abs(d_ang + 0.9) / 0.9) * clamp01(u * 4.0)
        bc = mix(bc, (236, 244, 255), 0.55 * edge)
        acc_r += bc[0] * a
        acc_g += bc[1] * a
        acc_b += bc[2] * a
        acc_a += a
    if acc_a > 0.0:
        bc = (acc_r / acc_a, acc_g / acc_a, acc_b / acc_a)
        c = mix(c, bc, acc_a / BLUR_SAMPLES)
    # The hub casts a short soft shadow onto the blades and the well.
    if r > HUB_RADIUS - 0.5:
        c = scale(c, 1.0 - 0.35 * clamp01(1.0 - (r - HUB_RADIUS) / 2.5))
    return c


def hub_over(x, y, c):
    d = sd_circle(x, y, FAN_CX, FAN_CY, HUB_RADIUS)
    a = coverage(d)
    if a <= 0.0:
        return c
    t = clamp01(((x - FAN_CX) + (y - FAN_CY)) / (2.6 * HUB_RADIUS) + 0.5)
    hc = mix((214, 224, 238), (78, 88, 108), t)
    r = math.hypot(x - FAN_CX, y - FAN_CY)
    groove = clamp01(1.0 - abs(r - 6.2) / 0.7)
    hc = mix(hc, (60, 68, 86), 0.55 * groove)
    rim = clamp01(1.0 - abs(d + 0.6) / 0.8)
    hc = mix(hc, (40, 46, 60), 0.6 * rim)
    spot = math.hypot(x - (FAN_CX - 2.6), y - (FAN_CY - 2.8))
    hc = mix(hc, (255, 255, 255), 0.7 * clamp01(1.0 - spot / 2.6))
    return mix(c, hc, a)


# ---------------------------------------------------------------------------
# Frames

def render_frames():
    """Return (frames, inside): frames[f][i] is an (r, g, b) float triple of
    pixel i (row-major, top row first); inside[i] tells whether pixel i
    belongs to the badge (all frames share the same outline)."""
    static = []
    inside = []
    for yi in range(HEIGHT):
        for xi in range(WIDTH):
            x, y = xi + 0.5, yi + 0.5
            rgb, a = badge_pixel(x, y)
            static.append(rgb)
            inside.append(a)
    frames = []
    for f in range(FRAME_COUNT):
        h = heat(f)
        pixels = []
        for yi in range(HEIGHT):
            for xi in range(WIDTH):
                i = yi * WIDTH + xi
                a = inside[i]
                if a < KEY_COVERAGE:
                    pixels.append(KEY_RGB)
                    continue
                x, y = xi + 0.5, yi + 0.5
                c = static[i]
                c = blades_over(x, y, c, f)
                c = hub_over(x, y, c)
                c = thermometer_over(x, y, c, h)
                # Anti-aliased badge edge, blended towards the dialog face.
                c = mix(KEY_RGB, c, a)
                pixels.append(c)
        frames.append(pixels)
    return frames, [a >= KEY_COVERAGE for a in inside]


# ---------------------------------------------------------------------------
# Palette: median cut over every badge pixel of every frame

def to_rgb8(c):
    return (max(0, min(255, int(math.floor(c[0] + 0.5)))),
            max(0, min(255, int(math.floor(c[1] + 0.5)))),
            max(0, min(255, int(math.floor(c[2] + 0.5)))))


class _Box:
    __slots__ = ("items", "count", "sse", "axis")

    def __init__(self, items):
        self.items = items
        n = 0
        s = [0.0, 0.0, 0.0]
        q = [0.0, 0.0, 0.0]
        for col, cnt in items:
            n += cnt
            for ch in range(3):
                s[ch] += col[ch] * cnt
                q[ch] += col[ch] * col[ch] * cnt
        self.count = n
        var = [q[ch] - s[ch] * s[ch] / n for ch in range(3)]
        self.sse = var[0] + var[1] + var[2]
        # Split along the channel with the largest spread; ties go to the
        # first, so the result never depends on anything but the data.
        self.axis = max(range(3), key=lambda ch: (var[ch], -ch))

    def mean(self):
        s = [0.0, 0.0, 0.0]
        for col, cnt in self.items:
            for ch in range(3):
                s[ch] += col[ch] * cnt
        return to_rgb8((s[0] / self.count, s[1] / self.count,
                        s[2] / self.count))


def median_cut(histogram, colours):
    """histogram: {rgb: count}.  Returns up to `colours` boxes."""
    items = sorted(histogram.items())
    boxes = [_Box(items)]
    while len(boxes) < colours:
        order = sorted(range(len(boxes)),
                       key=lambda b: (-boxes[b].sse, b))
        target = None
        for b in order:
            if len(boxes[b].items) > 1 and boxes[b].sse > 0.0:
                target = b
                break
        if target is None:
            break
        box = boxes[target]
        ax = box.axis
        its = sorted(box.items, key=lambda it: (it[0][ax], it[0]))
        half = box.count / 2.0
        run = 0
        cut = 1
        for j, (_, cnt) in enumerate(its):
            run += cnt
            if run >= half:
                cut = j + 1
                break
        cut = max(1, min(len(its) - 1, cut))
        boxes[target] = _Box(its[:cut])
        boxes.append(_Box(its[cut:]))
    return boxes


def nearest(col, palette):
    best = None
    best_d = None
    for idx, p in enumerate(palette):
        d = ((col[0] - p[0]) * (col[0] - p[0]) * 3
             + (col[1] - p[1]) * (col[1] - p[1]) * 4
             + (col[2] - p[2]) * (col[2] - p[2]) * 2)
        if best_d is None or d < best_d:
            best_d = d
            best = idx
    return best


REFINE_PASSES = 3


def refine_palette(histogram, colours, passes):
    """A few k-means passes: move each entry to the mean of the colours
    that map to it.  An entry that attracts nothing keeps its colour."""
    keys = sorted(histogram)
    for _ in range(passes):
        sums = [[0, 0, 0, 0] for _ in colours]
        for col in keys:
            n = histogram[col]
            acc = sums[nearest(col, colours)]
            acc[0] += col[0] * n
            acc[1] += col[1] * n
            acc[2] += col[2] * n
            acc[3] += n
        colours = [to_rgb8((a[0] / a[3], a[1] / a[3], a[2] / a[3]))
                   if a[3] else c for a, c in zip(sums, colours)]
    return colours


def build_palette(frames, inside):
    """Return (palette of 256 rgb triples, list of index frames)."""
    histogram = {}
    rgb_frames = []
    for pixels in frames:
        rgb = []
        for i, c in enumerate(pixels):
            if not inside[i]:
                rgb.append(None)
                continue
            q = to_rgb8(c)
            rgb.append(q)
            histogram[q] = histogram.get(q, 0) + 1
        rgb_frames.append(rgb)

    boxes = median_cut(histogram, 255)
    colours = [b.mean() for b in boxes]
    colours = refine_palette(histogram, colours, REFINE_PASSES)
    # A badge colour must never equal the transparent key colour.
    colours = [(c[0], c[1], c[2] + 1) if c == KEY_RGB else c for c in colours]
    colours = sorted(set(colours),
                     key=lambda c: (0.299 * c[0] + 0.587 * c[1]
                                    + 0.114 * c[2], c))
    palette = [KEY_RGB] + colours
    lookup = {}
    for col in sorted(histogram):
        lookup[col] = 1 + nearest(col, colours)
    index_frames = []
    for rgb in rgb_frames:
        index_frames.append([KEY_INDEX if q is None else lookup[q]
                             for q in rgb])
    while len(palette) < 256:
        palette.append((0, 0, 0))
    return palette, index_frames


# ---------------------------------------------------------------------------
# AVI writer

def chunk(fourcc, data):
    out = fourcc + struct.pack("<I", len(data)) + data
    if len(data) & 1:
        out += b"\0"
    return out


def riff_list(kind, fourcc, body):
    return kind + struct.pack("<I", len(body) + 4) + fourcc + body


def frame_dib_bits(indices):
    """Rows bottom-up, as a BI_RGB DIB stores them."""
    rows = []
    for yi in range(HEIGHT - 1, -1, -1):
        rows.append(bytes(indices[yi * WIDTH:(yi + 1) * WIDTH]))
    return b"".join(rows)


def build_avi(palette, index_frames):
    n = len(index_frames)
    avih = struct.pack(
        "<14I",
        USEC_PER_FRAME,                  # dwMicroSecPerFrame
        FRAME_BYTES * 1000000 // USEC_PER_FRAME,  # dwMaxBytesPerSec
        0,                               # dwPaddingGranularity
        0x10,                            # dwFlags: AVIF_HASINDEX
        n,                               # dwTotalFrames
        0,                               # dwInitialFrames
        1,                               # dwStreams
        FRAME_BYTES,                     # dwSuggestedBufferSize
        WIDTH, HEIGHT,
        0, 0, 0, 0)                      # dwReserved
    strh = struct.pack(
        "<4s4sIHHIIIIIIiI4h",
        b"vids", b"DIB ",
        0,                               # dwFlags
        0, 0,                            # wPriority, wLanguage
        0,                               # dwInitialFrames
        1,                               # dwScale
        1000000 // USEC_PER_FRAME,       # dwRate: 8 frames a second
        0,                               # dwStart
        n,                               # dwLength
        FRAME_BYTES,                     # dwSuggestedBufferSize
        -1,                              # dwQuality: default
        0,                               # dwSampleSize: one frame per chunk
        0, 0, WIDTH, HEIGHT)             # rcFrame
    bih = struct.pack(
        "<IiiHHIIiiII",
        40, WIDTH, HEIGHT, 1, 8,
        0,                               # BI_RGB
        FRAME_BYTES, 0, 0,
        256, 0)
    rgbquads = b"".join(struct.pack("<4B", b, g, r, 0)
                        for (r, g, b) in palette)
    strl = riff_list(b"LIST", b"strl",
                     chunk(b"strh", strh) + chunk(b"strf", bih + rgbquads))
    hdrl = riff_list(b"LIST", b"hdrl", chunk(b"avih", avih) + strl)

    movi_body = b""
    index = b""
    for indices in index_frames:
        bits = frame_dib_bits(indices)
        # Offsets in idx1 count from the 'movi' fourcc.
        offset = 4 + len(movi_body)
        movi_body += chunk(b"00db", bits)
        index += struct.pack("<4sIII", b"00db", 0x10, offset, len(bits))
    movi = riff_list(b"LIST", b"movi", movi_body)
    body = hdrl + movi + chunk(b"idx1", index)
    return riff_list(b"RIFF", b"AVI ", body)


# ---------------------------------------------------------------------------
# Alert sound: a two-note chime

SAMPLE_RATE = 11025
SAMPLE_COUNT = 5440

# (start in seconds, fundamental in hertz, decay time constant, loudness)
CHIME_NOTES = (
    (0.000, 880.00, 0.20, 1.00),         # A5
    (0.155, 1318.51, 0.17, 0.95),        # E6, a fifth above
)
# (multiple of the fundamental, relative level, decay factor)
CHIME_PARTIALS = ((1.0, 1.00, 1.0), (2.0, 0.30, 0.55), (3.0, 0.10, 0.35))
ATTACK = 0.006
FADE_OUT = 0.080


def chime_samples():
    raw = []
    for i in range(SAMPLE_COUNT):
        t = i / float(SAMPLE_RATE)
        s = 0.0
        for start, f0, tau, level in CHIME_NOTES:
            tt = t - start
            if tt < 0.0:
                continue
            attack = 1.0
            if tt < ATTACK:
                attack = 0.5 - 0.5 * math.cos(math.pi * tt / ATTACK)
            for mult, rel, dk in CHIME_PARTIALS:
                f = f0 * mult
                if f >= SAMPLE_RATE / 2.0:
                    continue
                env = math.exp(-tt / (tau * dk))
                s += level * rel * env * attack * math.sin(2 * math.pi * f * tt)
        # Gentle fade to exact silence over the last few hundredths.
        left = (SAMPLE_COUNT - 1 - i) / float(SAMPLE_RATE)
        if left < FADE_OUT:
            s *= 0.5 - 0.5 * math.cos(math.pi * left / FADE_OUT)
        raw.append(s)
    peak = max(abs(v) for v in raw)
    gain = 100.0 / peak
    out = bytearray()
    for v in raw:
        q = int(math.floor(v * gain + 0.5)) + 128
        out.append(max(0, min(255, q)))
    return bytes(out)


def build_wav(samples):
    fmt = struct.pack("<HHIIHH", 1, 1, SAMPLE_RATE, SAMPLE_RATE, 1, 8)
    fact = struct.pack("<I", len(samples))
    body = chunk(b"fmt ", fmt) + chunk(b"fact", fact) + chunk(b"data", samples)
    return riff_list(b"RIFF", b"WAVE", body)


# ---------------------------------------------------------------------------
# PNG previews

def png_bytes(width, height, rgb_rows):
    raw = b"".join(b"\0" + bytes(row) for row in rgb_rows)

    def png_chunk(tag, data):
        return (struct.pack(">I", len(data)) + tag + data
                + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF))

    ihdr = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr)
            + png_chunk(b"IDAT", zlib.compress(raw, 9))
            + png_chunk(b"IEND", b""))


def frame_rgb_rows(indices, palette, face, zoom):
    rows = []
    for yi in range(HEIGHT):
        row = bytearray()
        for xi in range(WIDTH):
            idx = indices[yi * WIDTH + xi]
            rgb = face if idx == indices[(HEIGHT - 1) * WIDTH] else palette[idx]
            row += bytes(rgb) * zoom
        for _ in range(zoom):
            rows.append(bytes(row))
    return rows


def write_previews(directory, palette, index_frames):
    os.makedirs(directory, exist_ok=True)
    for f, indices in enumerate(index_frames):
        rows = frame_rgb_rows(indices, palette, KEY_RGB, 3)
        write_file(os.path.join(directory, "frame_%02d.png" % f),
                   png_bytes(WIDTH * 3, HEIGHT * 3, rows))
    # Contact sheets on the classic grey face and on a light modern face;
    # the key colour is replaced as the control does with ACS_TRANSPARENT
    # (the first pixel of a bottom-up DIB is the bottom-left one).
    for name, face in (("sheet.png", KEY_RGB),
                       ("sheet_light.png", (240, 240, 240))):
        zoom, gap, cols = 2, 8, 7
        cell_w, cell_h = WIDTH * zoom, HEIGHT * zoom
        rows_n = (len(index_frames) + cols - 1) // cols
        sw = cols * cell_w + (cols + 1) * gap
        sh = rows_n * cell_h + (rows_n + 1) * gap
        sheet = [bytearray(bytes(face) * sw) for _ in range(sh)]
        for f, indices in enumerate(index_frames):
            ox = gap + (f % cols) * (cell_w + gap)
            oy = gap + (f // cols) * (cell_h + gap)
            for j, row in enumerate(frame_rgb_rows(indices, palette, face,
                                                   zoom)):
                sheet[oy + j][ox * 3:(ox + cell_w) * 3] = row
        write_file(os.path.join(directory, name),
                   png_bytes(sw, sh, sheet))


# ---------------------------------------------------------------------------

def write_file(path, data):
    directory = os.path.dirname(path)
    if directory:
        os.makedirs(directory, exist_ok=True)
    with open(path, "wb") as fh:
        fh.write(data)


def main(argv):
    repo = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    ap = argparse.ArgumentParser(
        description="Generate the About animation and the alert sound.")
    ap.add_argument("--out", default=repo,
                    help="root under which monitor/res/ is written "
                         "(default: the repository)")
    ap.add_argument("--preview", metavar="DIR",
                    help="also write PNG frames and contact sheets here")
    args = ap.parse_args(argv)

    frames, inside = render_frames()
    palette, index_frames = build_palette(frames, inside)
    avi = build_avi(palette, index_frames)
    wav = build_wav(chime_samples())

    res = os.path.join(args.out, "monitor", "res")
    write_file(os.path.join(res, "about.avi"), avi)
    write_file(os.path.join(res, "alert.wav"), wav)
    if args.preview:
        write_previews(args.preview, palette, index_frames)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
