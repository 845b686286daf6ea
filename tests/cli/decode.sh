#!/usr/bin/env bash
# tressel-cli decode: WAV output of Layer I and II streams, text-form input, failures leave no output.
set -u
CLI="$1"
DATA="$2"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Largest sample difference and PSNR of a decoded WAV against a reference PCM file (common length).
compare() {
    python3 - "$1" "$2" <<'PY'
import array, math, sys
ours = array.array('h'); ours.frombytes(open(sys.argv[1], 'rb').read()[44:])
ref = array.array('h'); ref.frombytes(open(sys.argv[2], 'rb').read())
if sys.byteorder != 'little':
    ours.byteswap(); ref.byteswap()
n = min(len(ours), len(ref))
diff = [abs(ours[i] - ref[i]) for i in range(n)]
mse = sum(d * d for d in diff) / n
psnr = 10 * math.log10(32767 ** 2 / mse) if mse else float('inf')
print(max(diff), psnr)
sys.exit(0 if n > 0 and max(diff) <= 1 and psnr >= 96 else 1)
PY
}

le32() { od -An -t u4 -j "$2" -N 4 "$1" | tr -d ' '; }
le16() { od -An -t u2 -j "$2" -N 2 "$1" | tr -d ' '; }

# A Layer II vector: header fields and samples.
out="$WORK/fl10.wav"
stdout=$("$CLI" decode --verbose "$DATA/vectors/l2-fl10.bit" "$out" 2>"$WORK/err") || fail "l2-fl10 exit status $?"
[[ "$stdout" == *"is a BINARY file"* ]] || fail "no format line on standard output: $stdout"
quiet=$("$CLI" decode "$DATA/vectors/l2-fl10.bit" "$WORK/quiet.wav" 2>&1) || fail "l2-fl10 without --verbose"
[[ -z "$quiet" ]] || fail "the decoder's remarks without --verbose: $quiet"
cmp -s "$out" "$WORK/quiet.wav" || fail "--verbose changed the output"
[[ -f "$out" ]] || fail "no output for l2-fl10"
if [[ -f "$out" ]]; then
    [[ "$(head -c 4 "$out")" == "RIFF" ]] || fail "not a RIFF file"
    size=$(stat -c %s "$out")
    [[ "$(le32 "$out" 40)" == "$((size - 44))" ]] || fail "data size does not match the file"
    [[ "$(le32 "$out" 4)" == "$((size - 8))" ]] || fail "RIFF size does not match the file"
    [[ "$(le16 "$out" 34)" == "16" ]] || fail "not 16 bits per sample"
    figures=$(compare "$out" "$DATA/vectors/l2-fl10.pcm") || fail "l2-fl10 differs from its reference: $figures"
fi

# A Layer I vector under a name without any audio extension, in hexadecimal text form.
hex="$WORK/fl1.txt"
od -An -v -t x1 "$DATA/vectors/l1-fl1.bit" | tr -d ' ' | tr 'a-f' 'A-F' > "$hex"
stdout=$("$CLI" --verbose decode "$hex" "$WORK/fl1.wav" 2>/dev/null) || fail "hex text input exit status $?"
[[ "$stdout" == *"is an ASCII file"* ]] || fail "hex text not recognised: $stdout"
"$CLI" decode "$DATA/vectors/l1-fl1.bit" "$WORK/fl1-binary.wav" >/dev/null 2>&1 || fail "l1-fl1 exit status $?"
cmp -s "$WORK/fl1.wav" "$WORK/fl1-binary.wav" || fail "hex text and binary decode differently"
figures=$(compare "$WORK/fl1.wav" "$DATA/vectors/l1-fl1.pcm") || fail "l1-fl1 differs from its reference: $figures"

# No frame at all: exit 1 with the message, and OUT neither created nor replaced.
head -c 3000 /dev/zero > "$WORK/silence.mp3"
"$CLI" decode "$WORK/silence.mp3" "$WORK/none.wav" >/dev/null 2>"$WORK/err"
status=$?
[[ $status -eq 1 ]] || fail "no-frame input: exit status $status"
grep -qxF "tressel-cli: $WORK/silence.mp3: Failed to decode MP3 file" "$WORK/err" || fail "no-frame input: message missing"
[[ ! -e "$WORK/none.wav" ]] || fail "no-frame input left an output file"
echo keep > "$WORK/kept.wav"
"$CLI" decode "$WORK/silence.mp3" "$WORK/kept.wav" >/dev/null 2>&1
[[ "$(cat "$WORK/kept.wav")" == "keep" ]] || fail "a failed decode replaced an existing OUT"

# Files that are not MPEG audio hold sync words with plausible headers too; none of them decodes.
python3 - "$WORK" <<'PY'
import math, random, struct, sys, zlib
work = sys.argv[1]
rng = random.Random(20)
tone = b"".join(struct.pack("<hh", int(32767 * math.sin(i / 7.0)), int(-32768 * math.sin(i / 5.0)))
                for i in range(44100))
wave = b"RIFF" + struct.pack("<I", 36 + len(tone)) + b"WAVEfmt " + struct.pack("<IHHIIHH", 16, 1, 2, 44100,
                                                                               176400, 4, 16)
wave += b"data" + struct.pack("<I", len(tone)) + tone
rows = b"".join(b"\0" + bytes(rng.randrange(256) for _ in range(3 * 200)) for _ in range(200))
chunk = lambda kind, data: struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 200, 200, 8, 2, 0, 0, 0))
png += chunk(b"IDAT", zlib.compress(rows, 0)) + chunk(b"IEND", b"")
text = b"Frames, not lone sync words: \xff\xfb\x90\x64 is a header, this is a text.\n" * 2000
files = {"tone.wav": wave, "tone-renamed.mp3": wave, "picture.png": png, "notes.txt": text,
         "random.bin": rng.randbytes(300000)}
for name, data in files.items():
    open(f"{work}/{name}", "wb").write(data)
PY
for input in tone.wav tone-renamed.mp3 picture.png notes.txt random.bin; do
    "$CLI" decode "$WORK/$input" "$WORK/not-mp3.wav" >/dev/null 2>"$WORK/err"
    status=$?
    [[ $status -eq 1 ]] || fail "$input: exit status $status"
    grep -qxF "tressel-cli: $WORK/$input: Failed to decode MP3 file" "$WORK/err" || fail "$input: message missing"
    [[ ! -e "$WORK/not-mp3.wav" ]] || fail "$input: output written"
    rm -f "$WORK/not-mp3.wav"
done

# A missing input: with --verbose the decoder's own diagnostic on standard output, then the failure.
stdout=$("$CLI" decode --verbose "$WORK/missing.mp2" "$WORK/missing.wav" 2>"$WORK/err")
status=$?
[[ $status -eq 1 ]] || fail "missing input: exit status $status"
[[ "$stdout" == *"Could not find \"$WORK/missing.mp2\"."* ]] || fail "missing input: diagnostic missing: $stdout"
grep -qxF "tressel-cli: $WORK/missing.mp2: Failed to decode MP3 file" "$WORK/err" || fail "missing input: message missing"
[[ ! -e "$WORK/missing.wav" ]] || fail "missing input left an output file"

# Every thread count writes the same file (the sequential decode), and so does the default of one per core.
for vector in l3-he_mode l2-fl10; do
    "$CLI" decode --threads 1 "$DATA/vectors/$vector.bit" "$WORK/$vector-1.wav" >/dev/null 2>&1 || fail "$vector: --threads 1"
    for threads in 2 3 4 default; do
        option=(--threads "$threads")
        [[ $threads == default ]] && option=()
        "$CLI" decode "${option[@]}" "$DATA/vectors/$vector.bit" "$WORK/$vector-$threads.wav" >/dev/null 2>&1 ||
            fail "$vector: --threads $threads"
        cmp -s "$WORK/$vector-1.wav" "$WORK/$vector-$threads.wav" || fail "$vector: --threads $threads differs"
    done
done

# Usage errors.
"$CLI" decode "$DATA/vectors/l1-fl1.bit" >/dev/null 2>&1
[[ $? -eq 2 ]] || fail "one argument is not a usage error"
for threads in 0 -2 many; do
    "$CLI" decode --threads "$threads" "$DATA/vectors/l1-fl1.bit" "$WORK/threads.wav" >/dev/null 2>&1
    [[ $? -eq 2 ]] || fail "--threads $threads is not a usage error"
done
[[ ! -e "$WORK/threads.wav" ]] || fail "a usage error left an output file"

# On a terminal the frame count gets the share done once the scan has counted the frames, and the line
# goes at the end. The reports come before their frames, so the last is one short of the whole count.
for threads in 1 2; do
    script -qec "'$CLI' decode --threads $threads '$DATA/vectors/l2-fl10.bit' '$WORK/tty.wav'" /dev/null \
        >"$WORK/tty.txt" || fail "decode on a terminal failed"
    last=$(tr '\r' '\n' <"$WORK/tty.txt" | grep -E '^Frames Decoded: [0-9]+ of [0-9]+, [0-9]+ %' | tail -1)
    [[ "$last" =~ ^Frames\ Decoded:\ ([0-9]+)\ of\ ([0-9]+), ]] &&
        [[ $((BASH_REMATCH[1] + 1)) -eq ${BASH_REMATCH[2]} ]] || fail "--threads $threads: last count '$last'"
    [[ "$(tail -c 4 "$WORK/tty.txt" | od -An -c | tr -d ' ')" == '\r033[K' ]] ||
        fail "--threads $threads: the count stays on the terminal"
done

leftovers=$(find "$WORK" -name '*.XXXXXX' -o -name '*.wav.*' | wc -l)
[[ $leftovers -eq 0 ]] || fail "temporary files left behind"

if [[ $failures -ne 0 ]]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "decode: all checks passed"
