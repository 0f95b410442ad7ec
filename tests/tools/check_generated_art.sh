#!/bin/sh
# Regenerates the panel bitmaps and icons into a scratch directory, compares
# every file byte for byte with the committed one, and checks the formats
# and the layout rules the panel code relies on (sizes, glyph cells, areas
# that must stay black, icon images).  Prints one summary line; exits 1 on
# any difference.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
py=/usr/bin/python3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

files="monitor/res/value_green.bmp monitor/res/value_fan.bmp
monitor/res/value_red.bmp monitor/res/volt_white.bmp monitor/res/volt_red.bmp
monitor/res/clock.bmp monitor/res/lamps.bmp monitor/res/case_state.bmp
monitor/res/chassis.bmp monitor/res/background.bmp monitor/res/volt_labels.bmp
monitor/res/kelvimon.ico monitor/res/kelvimon_alarm.ico monitor/res/options.ico
setup/res/setup.ico"

if ! "$py" "$root/tools/gen_panel_art.py" --out "$tmp/a" >"$tmp/log" 2>&1 ||
   ! "$py" "$root/tools/gen_panel_art.py" --out "$tmp/b" >>"$tmp/log" 2>&1; then
    cat "$tmp/log" >&2
    echo "check_generated_art: FAIL (generator did not run)"
    exit 1
fi

fail=0
n=0
for f in $files; do
    n=$((n + 1))
    if [ ! -f "$root/$f" ]; then
        echo "missing committed file: $f" >&2; fail=1; continue
    fi
    cmp -s "$tmp/a/$f" "$tmp/b/$f" || { echo "not deterministic: $f" >&2; fail=1; }
    cmp -s "$tmp/a/$f" "$root/$f" || { echo "differs from a fresh run: $f" >&2; fail=1; }
done

"$py" - "$root" <<'EOF' || fail=1
import struct, sys
root = sys.argv[1]
errors = []

def read(path):
    try:
        return open(root + '/' + path, 'rb').read()
    except OSError:
        errors.append(path + ': cannot be read')
        return b''

def bmp(path, w, h):
    """Pixel reader of an 8-bit palettised bottom-up BMP, plain or BI_RLE8."""
    d = read(path)
    if d[:2] != b'BM':
        errors.append(path + ': not a BMP'); return None
    size, off = struct.unpack('<I4xI', d[2:14])
    hs, bw, bh, planes, bpp, comp, _, _, _, used = struct.unpack('<IiiHHIIiiI', d[14:50])
    if (hs, bw, bh, planes, bpp) != (40, w, h, 1, 8) or comp not in (0, 1) or size != len(d):
        errors.append('%s: header %r, expected %dx%d 8 bpp bottom-up' %
                      (path, (hs, bw, bh, planes, bpp, comp), w, h))
        return None
    pal = [(d[54 + 4 * i + 2], d[54 + 4 * i + 1], d[54 + 4 * i]) for i in range(used or 256)]
    rows = [bytearray(w) for _ in range(h)]
    if comp == 0:
        stride = (w + 3) & ~3
        for y in range(h):
            rows[y][:] = d[off + y * stride:off + y * stride + w]
    else:
        i, x, y = off, 0, 0
        while True:
            if i + 2 > len(d):
                errors.append(path + ': RLE data has no end code'); return None
            n, v = d[i], d[i + 1]
            i += 2
            if y >= h and (n or v > 2):
                errors.append(path + ': RLE data runs past the picture'); return None
            if n:
                rows[y][x:x + n] = bytes((v,)) * n
                x += n
            elif v == 0:
                x, y = 0, y + 1
            elif v == 1:
                break
            elif v == 2:
                errors.append(path + ': RLE delta codes are not expected'); return None
            else:
                rows[y][x:x + v] = d[i:i + v]
                x += v
                i += v + (v & 1)
            if x > w:
                errors.append(path + ': RLE row %d is too long' % y); return None
    def px(x, y):
        return pal[rows[h - 1 - y][x]]
    return px

def lit(px, x0, y0, x1, y1, level=40):
    return sum(1 for y in range(y0, y1) for x in range(x0, x1) if max(px(x, y)) > level)

def black(px, x0, y0, x1, y1):
    return all(px(x, y) == (0, 0, 0) for y in range(y0, y1) for x in range(x0, x1))

value_cells = [(15 * d, 15) for d in range(10)] + [
    (150, 10), (160, 10), (170, 10), (190, 10), (200, 10), (210, 15), (225, 15), (240, 15)]
for name in ('value_green', 'value_fan', 'value_red', 'volt_white', 'volt_red'):
    p = 'monitor/res/%s.bmp' % name
    px = bmp(p, 255, 20)
    if px is None:
        continue
    used = set()
    shapes = []
    for x0, w in value_cells:
        used.update(range(x0, x0 + w))
        if lit(px, x0, 0, x0 + w, 20, 150) == 0:
            errors.append('%s: empty glyph cell at x %d' % (p, x0))
        shapes.append(tuple(px(x, y) for y in range(20) for x in range(x0, x0 + w)))
    if len(set(shapes[:10])) != 10:
        errors.append(p + ': two digit cells are identical')
    for x in range(255):
        if x not in used and not black(px, x, 0, x + 1, 20):
            errors.append('%s: column %d lies outside every cell but is not black' % (p, x))
            break

px = bmp('monitor/res/clock.bmp', 336, 25)
if px is not None:
    cells = [(24 * d + 3, 18, 24) for d in range(10)] + [(244, 16, 24), (266, 20, 24),
                                                          (290, 20, 24), (318, 10, 20)]
    for x0, w, h in cells:
        if lit(px, x0, 0, x0 + w, h, 150) == 0:
            errors.append('clock.bmp: empty cell at x %d' % x0)
        if h < 25 and not black(px, x0, h, x0 + w, 25):
            errors.append('clock.bmp: cell at x %d spills below row %d' % (x0, h))
    used = set(x for x0, w, _ in cells for x in range(x0, x0 + w))
    if not all(black(px, x, 0, x + 1, 25) for x in range(336) if x not in used):
        errors.append('clock.bmp: pixels outside the glyph cells are not black')

def dominant(px, x0, y0, x1, y1):
    r = sum(px(x, y)[0] for y in range(y0, y1) for x in range(x0, x1))
    g = sum(px(x, y)[1] for y in range(y0, y1) for x in range(x0, x1))
    return 'green' if g > r else 'red'

px = bmp('monitor/res/lamps.bmp', 40, 32)
if px is not None and (dominant(px, 0, 0, 40, 16), dominant(px, 0, 16, 40, 32)) != ('green', 'red'):
    errors.append('lamps.bmp: expected a green lamp on top and a red one below')
px = bmp('monitor/res/case_state.bmp', 100, 20)
if px is not None and (dominant(px, 0, 0, 50, 20), dominant(px, 50, 0, 100, 20)) != ('green', 'red'):
    errors.append('case_state.bmp: expected green Close left and red Open right')
px = bmp('monitor/res/chassis.bmp', 78, 35)
if px is not None and lit(px, 0, 0, 77, 34) < 300:
    errors.append('chassis.bmp: picture looks empty')

px = bmp('monitor/res/volt_labels.bmp', 65, 180)
if px is not None:
    for k in range(8):
        if lit(px, 0, 20 * k, 65, 20 * k + 20, 150) == 0:
            errors.append('volt_labels.bmp: label row %d is empty' % k)
    if not black(px, 0, 160, 65, 180):
        errors.append('volt_labels.bmp: the last 20 rows are not black')

px = bmp('monitor/res/background.bmp', 400, 400)
if px is not None:
    # where the program draws titles, values, lamps, labels, the case
    # indicator and the clock, the background stays black
    for name, r in (('column titles', (0, 84, 400, 110)), ('temperatures', (20, 110, 380, 131)),
                    ('temperature lamps', (0, 134, 400, 152)), ('fan speeds', (20, 180, 380, 201)),
                    ('fan lamps', (0, 204, 400, 222)), ('voltages', (0, 250, 400, 330)),
                    ('case indicator', (13, 331, 140, 365)), ('date', (230, 343, 400, 367)),
                    ('time', (250, 367, 400, 392))):
        if not black(px, *r):
            errors.append('background.bmp: %s area %r is not black' % (name, r))
    for name, r in (('title band', (0, 6, 400, 81)), ('fan heading', (0, 156, 400, 175)),
                    ('voltage heading', (0, 228, 400, 248))):
        if lit(px, *r) < 500:
            errors.append('background.bmp: %s looks empty' % name)
    for j in range(4):
        if lit(px, 60 * j, 371, 60 * j + 60, 399, 150) < 30:
            errors.append('background.bmp: button caption %d missing' % j)

def ico(path, want_bpp):
    d = read(path)
    if len(d) < 6:
        return
    res, typ, count = struct.unpack('<HHH', d[:6])
    if (res, typ, count) != (0, 1, len(want_bpp)):
        errors.append('%s: icon directory %r' % (path, (res, typ, count))); return
    for k, bpp in enumerate(want_bpp):
        w, h, ncol, _, planes, bits, size, off = struct.unpack('<BBBBHHII', d[6 + 16 * k:22 + 16 * k])
        hs, dw, dh, dplanes, dbits = struct.unpack('<IiiHH', d[off:off + 16])
        ncolours = 1 << bpp
        expect = 40 + 4 * ncolours + 32 * ((32 * bpp + 31) // 32 * 4) + 32 * 4
        if ((w, h, planes, bits, hs, dw, dh, dplanes, dbits) != (32, 32, 1, bpp, 40, 32, 64, 1, bpp)
                or ncol != (ncolours % 256) or size != expect or off + size > len(d)):
            errors.append('%s: image %d is not a 32x32 %d bpp icon image' % (path, k, bpp))
            continue
        mask = d[off + size - 128:off + size]
        clear = sum(bin(b).count('1') for b in mask)
        if not 50 < clear < 1000:
            errors.append('%s: image %d has %d transparent pixels' % (path, k, clear))

ico('monitor/res/kelvimon.ico', [8])
ico('monitor/res/kelvimon_alarm.ico', [8])
ico('monitor/res/options.ico', [8])
ico('setup/res/setup.ico', [1, 4])
if read('monitor/res/kelvimon.ico') == read('monitor/res/kelvimon_alarm.ico'):
    errors.append('normal and alarm icons are identical')

for e in errors:
    print(e, file=sys.stderr)
sys.exit(1 if errors else 0)
EOF

if [ "$fail" -ne 0 ]; then
    echo "check_generated_art: FAIL ($n files checked)"
    exit 1
fi
echo "check_generated_art: OK ($n files identical to a fresh run, formats and layout checked)"
