#!/bin/sh
# Checks the monitor's generated media and help text:
#  - tools/gen_media.py reproduces monitor/res/about.avi and alert.wav
#    byte for byte;
#  - the AVI is a single-stream, uncompressed 8-bit clip the animation
#    control can play (14 frames of 96x96, 8 frames a second, palette,
#    idx1 index, one transparent key colour in every corner);
#  - the WAVE is 8-bit mono PCM at 11025 Hz with a fact chunk and exactly
#    5440 sample bytes that start and end in silence;
#  - help.rtf is plain-ASCII RTF with code page 950 declared, balanced
#    groups and a size of 10 to 16 KB (the two controller chapters, the
#    reading log, the fan stall alarm and the caveats).
# Prints one summary line; exits non-zero on any failure.

PY=/usr/bin/python3
repo=$(cd "$(dirname "$0")/../.." && pwd)
res="$repo/monitor/res"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM

problems=""

if ! "$PY" "$repo/tools/gen_media.py" --out "$tmp" >"$tmp/gen.log" 2>&1; then
    cat "$tmp/gen.log" >&2
    problems="$problems generator-failed"
else
    for f in about.avi alert.wav; do
        if ! cmp -s "$tmp/monitor/res/$f" "$res/$f"; then
            echo "$f: committed file differs from a fresh generation" >&2
            problems="$problems $f-stale"
        fi
    done
fi

if ! "$PY" - "$res" <<'EOF'
import struct, sys

res = sys.argv[1]
errors = []

def check(cond, msg):
    if not cond:
        errors.append(msg)
    return cond

def chunks(data, start, end):
    """Yield (fourcc, body offset, size, list type or None)."""
    pos = start
    while pos + 8 <= end:
        cid, size = struct.unpack_from("<4sI", data, pos)
        body = pos + 8
        if body + size > end:
            errors.append("chunk %r at %d overruns its parent" % (cid, pos))
            return
        kind = None
        if cid in (b"RIFF", b"LIST"):
            kind = data[body:body + 4]
        yield cid, body, size, kind
        pos = body + size + (size & 1)
    check(pos == end, "trailing bytes after chunk list at %d" % pos)

def riff(path, form):
    data = open(path, "rb").read()
    check(data[:4] == b"RIFF" and data[8:12] == form,
          "%s: not a RIFF %r file" % (path, form))
    check(struct.unpack_from("<I", data, 4)[0] == len(data) - 8,
          "%s: RIFF size field does not match the file" % path)
    return data

# ---- AVI ------------------------------------------------------------------
avi = riff(res + "/about.avi", b"AVI ")
top = {k or c: (b, s) for c, b, s, k in chunks(avi, 12, len(avi))}
frames = []
idx1 = b""
palette = []
if check(b"hdrl" in top and b"movi" in top and b"idx1" in top,
         "AVI: needs hdrl, movi and idx1"):
    hb, hs = top[b"hdrl"]
    hdrl = list(chunks(avi, hb + 4, hb + hs))
    avih = [(b, s) for c, b, s, k in hdrl if c == b"avih"]
    strls = [(b, s) for c, b, s, k in hdrl if k == b"strl"]
    if check(len(avih) == 1 and avih[0][1] == 56, "AVI: avih missing or not 56 bytes"):
        v = struct.unpack_from("<14I", avi, avih[0][0])
        check(v[0] == 125000, "avih: dwMicroSecPerFrame %d, want 125000" % v[0])
        check(v[3] & 0x10, "avih: AVIF_HASINDEX not set")
        check(v[4] == 14, "avih: dwTotalFrames %d, want 14" % v[4])
        check(v[6] == 1, "avih: dwStreams %d, want 1" % v[6])
        check((v[8], v[9]) == (96, 96), "avih: size %dx%d, want 96x96" % (v[8], v[9]))
    if check(len(strls) == 1, "AVI: want exactly one stream, found %d" % len(strls)):
        sb, ss = strls[0]
        sl = {c: (b, s) for c, b, s, k in chunks(avi, sb + 4, sb + ss)}
        if check(b"strh" in sl and sl[b"strh"][1] >= 48, "strl: strh missing"):
            b = sl[b"strh"][0]
            fcc, scale_, rate, length = (avi[b:b + 4],) + struct.unpack_from("<I", avi, b + 20) \
                + struct.unpack_from("<I", avi, b + 24) + struct.unpack_from("<I", avi, b + 32)
            check(fcc == b"vids", "strh: fccType %r, want vids" % fcc)
            check(scale_ and rate == 8 * scale_, "strh: rate/scale %d/%d, want 8" % (rate, scale_))
            check(length == 14, "strh: dwLength %d, want 14" % length)
        if check(b"strf" in sl, "strl: strf missing"):
            b, s = sl[b"strf"]
            bi = struct.unpack_from("<IiiHHIIiiII", avi, b)
            check(bi[0] == 40, "strf: biSize %d" % bi[0])
            check(bi[1:3] == (96, 96), "strf: %dx%d, want 96x96 bottom-up" % bi[1:3])
            check(bi[3:6] == (1, 8, 0), "strf: planes/bits/compression %r, want (1, 8, BI_RGB)" % (bi[3:6],))
            ncol = bi[9] or 256
            check(s == 40 + 4 * ncol and ncol == 256, "strf: want a 256-entry palette")
            palette = [tuple(avi[b + 40 + 4 * i + 2 - j] for j in range(3)) for i in range(ncol)]
    mb, ms = top[b"movi"]
    movi_fourcc = mb
    for c, b, s, k in chunks(avi, mb + 4, mb + ms):
        check(c == b"00db" and s == 96 * 96, "movi: chunk %r of %d bytes, want 00db of 9216" % (c, s))
        frames.append((b - 8 - movi_fourcc, avi[b:b + s]))
    check(len(frames) == 14, "movi: %d frames, want 14" % len(frames))
    ib, isz = top[b"idx1"]
    check(isz == 14 * 16, "idx1: %d bytes, want 14 entries" % isz)
    for n in range(min(isz // 16, len(frames))):
        cid, flags, off, size = struct.unpack_from("<4sIII", avi, ib + 16 * n)
        check(cid == b"00db" and flags & 0x10 and size == 9216,
              "idx1[%d]: %r flags %x size %d" % (n, cid, flags, size))
        check(off == frames[n][0], "idx1[%d]: offset %d does not point at frame %d" % (n, off, n))

if len(frames) == 14 and palette:
    bits = [f for _, f in frames]
    key = bits[0][0]
    for n, f in enumerate(bits):
        corners = (f[0], f[95], f[95 * 96], f[96 * 96 - 1])
        check(all(c == key for c in corners), "frame %d: corners %r are not all the key index %d" % (n, corners, key))
    used = set()
    for f in bits:
        used |= set(f)
    same = [i for i in used if i != key and palette[i] == palette[key]]
    check(not same, "palette: entries %r share the key colour" % same)
    check(len(set(bits)) == 14, "AVI: frames repeat; the loop should be 14 distinct frames")
    check(len(used) > 64, "AVI: only %d colours used" % len(used))
    # Rows are stored bottom-up: the red thermometer bulb, at the foot of
    # the picture, must lie in the first half of the stored rows.
    red = [n // 96 for n, i in enumerate(bits[0])
           if palette[i][0] > 170 and palette[i][1] < 110 and palette[i][2] < 110]
    check(red and sum(red) / len(red) < 48,
          "frame 0: the picture is stored upside down (rows must be bottom-up)")

# ---- WAVE -----------------------------------------------------------------
wav = riff(res + "/alert.wav", b"WAVE")
w = {c: (b, s) for c, b, s, k in chunks(wav, 12, len(wav))}
if check(b"fmt " in w and b"fact" in w and b"data" in w, "WAVE: needs fmt, fact and data"):
    b, s = w[b"fmt "]
    fmt = struct.unpack_from("<HHIIHH", wav, b)
    check(s >= 16 and fmt == (1, 1, 11025, 11025, 1, 8),
          "fmt: %r, want PCM mono 11025 Hz 8-bit" % (fmt,))
    check(struct.unpack_from("<I", wav, w[b"fact"][0])[0] == 5440, "fact: sample count is not 5440")
    b, s = w[b"data"]
    check(s == 5440, "data: %d bytes, want 5440" % s)
    pcm = wav[b:b + s]
    check(all(abs(v - 128) <= 2 for v in pcm[:8] + pcm[-8:]),
          "data: does not start and end at silence (click)")
    peak = max(abs(v - 128) for v in pcm)
    check(48 <= peak <= 126, "data: peak deviation %d, want clearly audible without clipping" % peak)

# ---- help.rtf -------------------------------------------------------------
rtf = open(res + "/help.rtf", "rb").read()
check(10 * 1024 <= len(rtf) <= 16 * 1024, "help.rtf: %d bytes, want 10-16 KB" % len(rtf))
check(rtf.startswith(b"{\\rtf1"), "help.rtf: does not start with {\\rtf1")
check(b"\\ansicpg950" in rtf[:200] and b"\\ansi" in rtf[:200], "help.rtf: ANSI code page 950 not declared")
check(b"{\\fonttbl" in rtf and b"{\\colortbl" in rtf, "help.rtf: font or colour table missing")
check(all(32 <= c < 127 or c in (9, 10, 13) for c in rtf), "help.rtf: not plain ASCII")
depth, pos, closed_at = 0, 0, None
while pos < len(rtf):
    ch = rtf[pos:pos + 1]
    if ch == b"\\":
        pos += 2
        continue
    if ch == b"{":
        depth += 1
    elif ch == b"}":
        depth -= 1
        if depth < 0:
            break
        if depth == 0 and closed_at is None:
            closed_at = pos
    pos += 1
check(depth == 0, "help.rtf: braces do not balance (depth %d)" % depth)
check(closed_at is not None and not rtf[closed_at + 1:].strip(),
      "help.rtf: text after the closing brace of the document")

for e in errors:
    print(e, file=sys.stderr)
sys.exit(1 if errors else 0)
EOF
then
    problems="$problems structure"
fi

if [ -z "$problems" ]; then
    echo "check_generated_media: OK (about.avi and alert.wav reproduce and validate; help.rtf well-formed)"
    exit 0
fi
echo "check_generated_media: FAILED:$problems"
exit 1
