#!/bin/bash
# tressel-cli spectrum / response / plot, checked against NumPy's FFT as an independent peer and sox for the
# input waves.
set -u
CLI="$1"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
failures=0
# The Debian interpreter carries NumPy; a user-installed python3 earlier on PATH may not.
PY=python3
[ -x /usr/bin/python3 ] && PY=/usr/bin/python3
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# --- response ---------------------------------------------------------------------------------------------
printf '; unit impulse\n1.0\n0.0\n0.0\n' > "$WORK/unit.txt"
"$CLI" response "$WORK/unit.txt" > "$WORK/unit.out" || fail "response unit exit $?"
[ "$(wc -l < "$WORK/unit.out")" -eq 1024 ] || fail "response prints 1024 lines"
awk '$2 != 1 || $3 != 0 { bad = 1 } END { exit bad }' "$WORK/unit.out" || fail "a unit tap gives 1 + 0j in every bin"
awk '$1 != NR - 1 { bad = 1 } END { exit bad }' "$WORK/unit.out" || fail "bins numbered 0..1023"

"$PY" - "$WORK/lowpass.txt" <<'EOF'
import math, sys
n = 41
with open(sys.argv[1], "w") as f:
    f.write("; windowed-sinc low-pass\n")
    for i in range(n):
        x = i - (n - 1) / 2
        h = 0.2 if x == 0 else math.sin(math.pi * 0.2 * x) / (math.pi * x)
        f.write("%.15e\n" % (h * (0.54 - 0.46 * math.cos(2 * math.pi * i / (n - 1)))))
EOF
"$CLI" response "$WORK/lowpass.txt" > "$WORK/lowpass.out" || fail "response lowpass exit $?"
"$PY" - "$WORK/lowpass.txt" "$WORK/lowpass.out" <<'EOF' || fail "response equals numpy.fft.fft of the zero-padded taps"
import sys, numpy as np
taps = [float(l) for l in open(sys.argv[1]) if not l.startswith(";")]
expected = np.fft.fft(np.array(taps), 2048)[:1024]
got = np.loadtxt(sys.argv[2])
assert got.shape == (1024, 3)
assert np.max(np.abs(got[:, 1] + 1j * got[:, 2] - expected)) < 1e-12
EOF

printf '1.0\n2.0\n' > "$WORK/short.txt"
"$CLI" response "$WORK/short.txt" > "$WORK/short.out" 2> "$WORK/short.err"
[ $? -eq 1 ] || fail "a filter of two taps is refused with status 1"
grep -qxF "tressel-cli: $WORK/short.txt: Could not open file" "$WORK/short.err" || fail "refused filter message"
[ -s "$WORK/short.out" ] && fail "nothing printed for a refused filter"

# --- spectrum ---------------------------------------------------------------------------------------------
sox -n -r 22050 -c 2 -b 16 "$WORK/stereo.wav" synth 2.3 sine 700 square 3100 vol 0.5 2> /dev/null || fail "sox stereo"
sox -n -r 8000 -c 1 -b 8 "$WORK/mono8.wav" synth 0.1 sine 1000 2> /dev/null || fail "sox mono"
"$CLI" spectrum "$WORK/stereo.wav" > "$WORK/stereo.out" || fail "spectrum stereo exit $?"
"$CLI" spectrum "$WORK/mono8.wav" > "$WORK/mono8.out" || fail "spectrum mono exit $?"
"$PY" - "$WORK/stereo.wav" "$WORK/stereo.out" "$WORK/mono8.wav" "$WORK/mono8.out" <<'EOF' || fail "spectrum equals the block average computed with numpy"
import sys, wave, numpy as np

def expected(path):
    w = wave.open(path)
    channels, width, frames = w.getnchannels(), w.getsampwidth(), w.getnframes()
    raw = w.readframes(frames)
    if width == 1:
        data = np.frombuffer(raw, dtype=np.uint8).astype(float) - 127.0
    else:
        data = np.frombuffer(raw, dtype="<i2").astype(float)
    data = data.reshape(-1, channels)
    f = data.shape[0]
    b = min(f, 2048)
    k = f // b
    s = 1 if k <= 10 else k // 5
    a = k // s
    curves = np.zeros((1024, 2))
    for c in range(channels):
        for block in range(a):
            start = block * s * b
            x = np.zeros(2048)
            x[:b] = data[start:start + b, c]
            curves[:, c] += np.abs(np.fft.fft(x))[:1024]
        curves[:, c] /= a
        curves[0, c] = 1.0
    return curves

for wav, out in ((sys.argv[1], sys.argv[2]), (sys.argv[3], sys.argv[4])):
    got = np.loadtxt(out)
    assert got.shape == (1024, 3), got.shape
    assert list(got[:, 0]) == list(range(1024))
    want = expected(wav)
    scale = np.max(want)
    assert np.max(np.abs(got[:, 1:] - want)) < 1e-9 * scale, (wav, np.max(np.abs(got[:, 1:] - want)))
    assert got[0, 1] == 1.0
EOF
awk '$3 != 0 { bad = 1 } END { exit bad }' "$WORK/mono8.out" || fail "mono leaves c2 at 0"

"$CLI" spectrum "$WORK/missing.wav" > /dev/null 2> "$WORK/missing.err"
[ $? -eq 1 ] || fail "a missing input exits with 1"
grep -qF "tressel-cli: $WORK/missing.wav: " "$WORK/missing.err" || fail "a missing input is reported"
"$CLI" spectrum > /dev/null 2>&1
[ $? -eq 2 ] || fail "spectrum without an input is a usage error"

# --- plot (only in builds with Qt) --------------------------------------------------------------------------
if "$CLI" --help | grep -q '^tressel-cli plot '; then
    png_size() { "$PY" -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); assert d[:8]==b"\x89PNG\r\n\x1a\n"; print("%dx%d" % struct.unpack(">II", d[16:24]))' "$1"; }
    "$CLI" plot response "$WORK/lowpass.txt" "$WORK/filter.png" 2> /dev/null || fail "plot response exit $?"
    [ "$(png_size "$WORK/filter.png")" = "350x250" ] || fail "plot uses the window's initial size"
    "$CLI" plot spectrum "$WORK/stereo.wav" "$WORK/audio.png" --size 640x480 2> /dev/null || fail "plot spectrum exit $?"
    [ "$(png_size "$WORK/audio.png")" = "640x480" ] || fail "plot --size"
    # The plot is not blank: many black pixels on a mostly white background.
    "$PY" - "$WORK/audio.png" <<'EOF' || fail "the plot shows something"
import sys, zlib, struct
data = open(sys.argv[1], "rb").read()
pos, idat, width, height, depth, colour = 8, b"", 0, 0, 0, 0
while pos < len(data):
    length, kind = struct.unpack(">I4s", data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + length]
    if kind == b"IHDR":
        width, height, depth, colour = struct.unpack(">IIBB", body[:10])
    elif kind == b"IDAT":
        idat += body
    pos += 12 + length
raw = zlib.decompress(idat)
assert depth == 8 and colour in (0, 2, 6), (depth, colour)
bpp = {0: 1, 2: 3, 6: 4}[colour]
stride = width * bpp
rows, previous, pos = [], bytearray(stride), 0
for _ in range(height):
    kind, line = raw[pos], bytearray(raw[pos + 1:pos + 1 + stride])
    pos += 1 + stride
    for i in range(stride):
        a = line[i - bpp] if i >= bpp else 0
        b = previous[i]
        c = previous[i - bpp] if i >= bpp else 0
        if kind == 1: line[i] = (line[i] + a) & 255
        elif kind == 2: line[i] = (line[i] + b) & 255
        elif kind == 3: line[i] = (line[i] + (a + b) // 2) & 255
        elif kind == 4:
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
    rows.append(line)
    previous = line
dark = sum(1 for line in rows for x in range(width) if line[x * bpp] < 64)
light = sum(1 for line in rows for x in range(width) if line[x * bpp] > 192)
assert dark > 2000 and light > width * height // 2, (dark, light)
EOF
    # SVG by the name, the axis options, and the state before drawn behind in the lighter colour.
    "$CLI" plot spectrum "$WORK/stereo.wav" "$WORK/audio.svg" --hz --log --before "$WORK/mono8.wav" 2> /dev/null \
        || fail "plot svg exit $?"
    grep -q '<svg' "$WORK/audio.svg" || fail "a .svg name gives an SVG drawing"
    grep -q '>Hz<' "$WORK/audio.svg" || fail "--hz labels the axis in Hz"
    grep -q '>11k<' "$WORK/audio.svg" || fail "--hz labels a 22.05 kHz wave's axis up to 11k"
    grep -qi '#f0a050' "$WORK/audio.svg" || fail "--before draws the earlier spectrum in its own colour"
    "$CLI" plot spectrum "$WORK/stereo.wav" "$WORK/plain.svg" --before "$WORK/mono8.wav" --no-before 2> /dev/null
    grep -qi '#f0a050' "$WORK/plain.svg" && fail "--no-before leaves the earlier spectrum out"
    "$CLI" plot response "$WORK/lowpass.txt" "$WORK/bad.png" --before "$WORK/stereo.wav" > /dev/null 2>&1
    [ $? -eq 2 ] || fail "--before with a response is a usage error"
    "$CLI" plot spectrum "$WORK/missing.wav" "$WORK/none.png" 2> /dev/null
    [ $? -eq 1 ] || fail "plot of a missing input exits with 1"
    [ -e "$WORK/none.png" ] && fail "no PNG written when the input fails"
    "$CLI" plot spectrum "$WORK/stereo.wav" "$WORK/bad.png" --size 0x10 > /dev/null 2>&1
    [ $? -eq 2 ] || fail "a bad --size is a usage error"
    "$CLI" plot histogram "$WORK/stereo.wav" "$WORK/bad.png" > /dev/null 2>&1
    [ $? -eq 2 ] || fail "an unknown plot kind is a usage error"
fi

# --- plot-data --------------------------------------------------------------------------------------------
"$CLI" plot-data spectrum "$WORK/stereo.wav" "$WORK/stereo.csv" --before "$WORK/mono8.wav" || fail "plot-data exit $?"
"$CLI" plot-data response "$WORK/lowpass.txt" "$WORK/lowpass.csv" --rate 48000 || fail "plot-data response exit $?"
"$PY" - "$WORK/stereo.out" "$WORK/stereo.csv" "$WORK/mono8.out" "$WORK/lowpass.out" "$WORK/lowpass.csv" <<'EOF' || fail "plot-data holds the plotted curves"
import sys, numpy as np
def table(path):
    lines = open(path).read().splitlines()
    return lines[0], np.array([[float(v) for v in l.split(",")] for l in lines[1:]])
db = lambda v: 20 * np.log10(np.abs(v) + 1e-12)
stereo, mono = np.loadtxt(sys.argv[1]), np.loadtxt(sys.argv[3])
head, got = table(sys.argv[2])
assert head == "bin,frequency (Hz),channel 1 (dB),channel 2 (dB),before channel 1 (dB),before channel 2 (dB)", head
assert got.shape == (1024, 6)
assert list(got[:, 0]) == list(range(1024))
assert np.all(got[:, 1] == np.arange(1024) * 22050 / 2048)
assert np.max(np.abs(got[:, 2:4] - db(stereo[:, 1:3]))) < 1e-9
assert np.max(np.abs(got[:, 4] - db(mono[:, 1]))) < 1e-9
assert np.all(got[:, 5] == -240)  # the mono file has no second channel
response = np.loadtxt(sys.argv[4])
head, got = table(sys.argv[5])
assert head == "bin,frequency (Hz),magnitude (dB),phase (rad)", head
assert np.all(got[:, 1] == np.arange(1024) * 48000 / 2048)
assert np.max(np.abs(got[:, 2] - db(np.hypot(response[:, 1], response[:, 2])))) < 1e-9
re, im = response[:, 1], response[:, 2]
phase = np.where((re != 0) & (im != 0), np.arctan2(im, re), 0)
assert np.max(np.abs(got[:, 3] - phase)) < 1e-12
EOF
"$CLI" plot-data spectrum "$WORK/stereo.wav" "$WORK/x.csv" --rate 0 > /dev/null 2>&1
[ $? -eq 2 ] || fail "a rate of 0 is a usage error"

[ "$failures" -eq 0 ] || exit 1
echo "spectrum.sh: all passed"
