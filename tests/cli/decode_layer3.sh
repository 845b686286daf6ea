#!/usr/bin/env bash
# tressel-cli decode of Layer III streams: the ISO streams against their reference output, lame files
# against mpg123, a cut stream, a stream entered in the middle, and refusal of a file without frames.
set -u
CLI="$1"
DATA="$2"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Largest difference and PSNR of the samples of a decoded WAV against 16-bit samples starting at byte
# SKIP of another file, over the common length; passes when within MAXDIFF and MINPSNR.
compare() {
    python3 - "$@" <<'PY'
import array, math, sys
ours_path, ref_path, skip, max_allowed, min_psnr = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), float(sys.argv[5])
ours = array.array('h'); ours.frombytes(open(ours_path, 'rb').read()[44:])
ref = array.array('h'); ref.frombytes(open(ref_path, 'rb').read()[skip:])
if sys.byteorder != 'little':
    ours.byteswap(); ref.byteswap()
n = min(len(ours), len(ref))
diff = [abs(ours[i] - ref[i]) for i in range(n)]
mse = sum(d * d for d in diff) / n if n else 0
psnr = 10 * math.log10(32767 ** 2 / mse) if mse else float('inf')
print("samples %d, largest difference %d, PSNR %.2f dB" % (n, max(diff) if n else -1, psnr))
sys.exit(0 if n > 0 and max(diff) <= max_allowed and psnr >= min_psnr else 1)
PY
}

le32() { od -An -t u4 -j "$2" -N 4 "$1" | tr -d ' '; }
le16() { od -An -t u2 -j "$2" -N 2 "$1" | tr -d ' '; }
size() { stat -c %s "$1"; }

# The ISO streams: MPEG-1 at 48 and 44.1 kHz, mono and stereo, and MPEG-2 at 24 kHz.
for case in "l3-compl 1 48000" "l3-hecommon 2 44100" "l3-si_block 1 44100" "M2L3_compl24 1 24000"; do
    set -- $case
    name="$1"; channels="$2"; rate="$3"
    out="$WORK/$name.wav"
    if ! "$CLI" decode "$DATA/vectors/$name.bit" "$out" >/dev/null; then
        fail "$name: decode failed"
        continue
    fi
    [ "$(le16 "$out" 22)" = "$channels" ] || fail "$name: channels $(le16 "$out" 22)"
    [ "$(le32 "$out" 24)" = "$rate" ] || fail "$name: rate $(le32 "$out" 24)"
    [ "$(le32 "$out" 40)" = "$(( $(size "$out") - 44 ))" ] || fail "$name: data size"
    echo -n "$name: "
    compare "$out" "$DATA/vectors/$name.pcm" 0 1 96 || fail "$name: differs from the reference"
done

# A stream cut inside its last frame still decodes; the header counts exactly the samples written.
head -c 9000 "$DATA/vectors/l3-si_block.bit" > "$WORK/cut.bit"
if "$CLI" decode "$WORK/cut.bit" "$WORK/cut.wav" >/dev/null; then
    [ "$(le32 "$WORK/cut.wav" 40)" = "$(( $(size "$WORK/cut.wav") - 44 ))" ] || fail "cut: data size"
    [ $(( ($(size "$WORK/cut.wav") - 44) % 2304 )) = 0 ] || fail "cut: not whole mono frames"
    # The last frame lacks part of its main data; everything before it is intact.
    head -c $(( $(size "$WORK/cut.wav") - 2304 )) "$WORK/cut.wav" > "$WORK/cut_whole_frames.wav"
    compare "$WORK/cut_whole_frames.wav" "$DATA/vectors/l3-si_block.pcm" 0 1 96 >/dev/null || fail "cut: samples differ"
else
    fail "cut: decode failed"
fi

# Entered in the middle (at the frame at byte 208 x 20 of this 64 kbit/s mono stream): the first frames,
# whose main data lies before the cut, are dropped; the rest decodes.
tail -c +$((208 * 20 + 1)) "$DATA/vectors/l3-si_block.bit" > "$WORK/middle.bit"
if "$CLI" decode "$WORK/middle.bit" "$WORK/middle.wav" >/dev/null; then
    frames=$(( ($(size "$WORK/middle.wav") - 44) / 2304 ))
    total=$(( $(size "$DATA/vectors/l3-si_block.bit") / 208 ))
    [ "$frames" -lt $((total - 20)) ] && [ "$frames" -ge $((total - 23)) ] || fail "middle: $frames frames"
else
    fail "middle: decode failed"
fi

# No frame at all: refused, and no output is left behind.
head -c 3000 /dev/zero > "$WORK/zeros.mp3"
if "$CLI" decode "$WORK/zeros.mp3" "$WORK/zeros.wav" 2>"$WORK/zeros.err" >/dev/null; then
    fail "zeros: accepted"
fi
grep -q "Failed to decode MP3 file" "$WORK/zeros.err" || fail "zeros: message"
[ -e "$WORK/zeros.wav" ] && fail "zeros: output written"

# lame files against mpg123, when both tools are present: gapless by default (as plain mpg123), every
# frame with --no-gapless (as mpg123 --no-gapless); the same length and the same samples but for the last
# bits. lame's leading Info frame holds no audio in either.
if command -v sox >/dev/null && command -v lame >/dev/null && command -v mpg123 >/dev/null; then
    for case in "44100 2 -b128_-mj" "22050 1 -V5_-mm" "32000 2 -b96_-ms" "8000 2 -b32_-mj" "11025 1 -V5_-mm"; do
        set -- $case
        rate="$1"; channels="$2"; options="${3//_/ }"
        base="$WORK/lame_$rate"
        sox -R -n -r "$rate" -c "$channels" -b 16 "$base.in.wav" synth 1.2 sine 200-3000 synth 1.2 pinknoise \
            tremolo 5 90 vol 0.4 2>/dev/null || { fail "sox $rate"; continue; }
        lame --quiet $options "$base.in.wav" "$base.mp3" || { fail "lame $rate"; continue; }
        for mode in gapless no-gapless; do
            option=()
            [ "$mode" = no-gapless ] && option=(--no-gapless)
            mpg123 -q "${option[@]}" -s "$base.mp3" > "$base.$mode.raw" 2>/dev/null || { fail "mpg123 $rate"; continue; }
            "$CLI" decode "${option[@]}" "$base.mp3" "$base.$mode.wav" >/dev/null || { fail "lame $rate: decode failed"; continue; }
            [ "$(le32 "$base.$mode.wav" 24)" = "$rate" ] || fail "lame $rate: rate"
            [ "$(le16 "$base.$mode.wav" 22)" = "$channels" ] || fail "lame $rate: channels"
            [ "$(le32 "$base.$mode.wav" 40)" = "$(size "$base.$mode.raw")" ] || fail "lame $rate $mode: length differs from mpg123"
            echo -n "lame $rate ($options) $mode: "
            compare "$base.$mode.wav" "$base.$mode.raw" 0 2 100 || fail "lame $rate $mode: differs from mpg123"
        done
        # Gapless gives the length that went in.
        [ "$(le32 "$base.gapless.wav" 40)" = "$(le32 "$base.in.wav" 40)" ] || fail "lame $rate: not the input's length"
    done
fi

[ "$failures" = 0 ] && echo "all Layer III decode checks passed"
exit "$failures"
