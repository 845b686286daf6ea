#!/bin/bash
# tressel-cli median, gains and amplify against hand-worked results.
# usage: effects.sh TRESSEL_CLI TEST_DATA_DIR
set -u
cli=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
py=/usr/bin/python3
[ -x "$py" ] || py=python3

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# wave FILE CHANNELS BITS SAMPLE... : a canonical 44-byte-header PCM file.
wave() {
    "$py" - "$@" <<'PY'
import struct, sys
path, channels, bits = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
values = [int(v) for v in sys.argv[4:]]
data = bytes(values) if bits == 8 else struct.pack('<%dh' % len(values), *values)
block = channels * bits // 8
header = b'RIFF' + struct.pack('<I', 36 + len(data)) + b'WAVEfmt ' + struct.pack(
    '<IHHIIHH', 16, 1, channels, 8000, 8000 * block, block, bits) + b'data' + struct.pack('<I', len(data))
open(path, 'wb').write(header + data)
PY
}

# samples FILE BITS: the data chunk's values on one line.
samples() {
    "$py" - "$@" <<'PY'
import struct, sys
raw = open(sys.argv[1], 'rb').read()[44:]
bits = int(sys.argv[2])
values = list(raw) if bits == 8 else list(struct.unpack('<%dh' % (len(raw) // 2), raw))
print(' '.join(map(str, values)))
PY
}

expect_samples() {  # NAME FILE BITS EXPECTED
    local got
    got=$(samples "$2" "$3" 2>/dev/null)
    [ "$got" = "$4" ] || fail "$1: got '$got', expected '$4'"
}

expect_refusal() {  # NAME STATUS "FILE: MESSAGE" OUT COMMAND...
    local name=$1 status=$2 message=$3 out=$4
    shift 4
    "$cli" "$@" >"$work/stdout" 2>"$work/stderr"
    local rc=$?
    [ $rc -eq "$status" ] || fail "$name: exit $rc, expected $status"
    [ -z "$message" ] || grep -qxF "tressel-cli: $message" "$work/stderr" || fail "$name: stderr $(cat "$work/stderr")"
    [ -z "$out" ] || [ ! -e "$out" ] || fail "$name: wrote $out"
}

# --- median ---------------------------------------------------------------------------------------------
wave "$work/spike.wav" 1 8 100 100 250 100 100 100 100 100
"$cli" median 3 "$work/spike.wav" "$work/spike-out.wav" || fail "median spike: exit $?"
expect_samples "median spike" "$work/spike-out.wav" 8 "127 100 100 100 100 100 100 100"

# Constant 500 with length 5: two samples of silence, the rest untouched.
wave "$work/flat.wav" 1 16 500 500 500 500 500 500 500 500 500 500 500 500
"$cli" median 5 "$work/flat.wav" "$work/flat-out.wav" || fail "median flat: exit $?"
expect_samples "median flat" "$work/flat-out.wav" 16 "0 0 500 500 500 500 500 500 500 500 500 500"

# Stereo, channel 2 only: channel 1 keeps its spike, channel 2 loses its own and starts with silence.
wave "$work/stereo.wav" 2 16 1 -7 1 -7 900 -7 1 -7 1 800 1 -7 1 -7 1 -7 1 -7
"$cli" median 3 "$work/stereo.wav" "$work/stereo-2.wav" --channels 2 || fail "median --channels 2: exit $?"
expect_samples "median channel 2" "$work/stereo-2.wav" 16 "1 0 1 -7 900 -7 1 -7 1 -7 1 -7 1 -7 1 -7 1 -7"
"$cli" median 3 "$work/stereo.wav" "$work/stereo-12.wav" || fail "median both: exit $?"
expect_samples "median both" "$work/stereo-12.wav" 16 "0 0 1 -7 1 -7 1 -7 1 -7 1 -7 1 -7 1 -7 1 -7"

expect_refusal "median length 35" 1 "$work/spike.wav: Median length must be between 1 and 33" "$work/x1.wav" \
    median 35 "$work/spike.wav" "$work/x1.wav"
expect_refusal "median length 0" 1 "$work/spike.wav: Median length must be between 1 and 33" "$work/x2.wav" \
    median 0 "$work/spike.wav" "$work/x2.wav"
expect_refusal "median channels 3" 2 "" "$work/x3.wav" median 3 "$work/stereo.wav" "$work/x3.wav" --channels 3
expect_refusal "median no length" 2 "" "$work/x4.wav" median "$work/stereo.wav" "$work/x4.wav"
wave "$work/wide.wav" 1 24 1 2 3 4 5 6
expect_refusal "median 24-bit" 1 "$work/wide.wav: 8 or 16 bits expected" "$work/x5.wav" median 3 "$work/wide.wav" "$work/x5.wav"

# --- gains ----------------------------------------------------------------------------------------------
[ "$("$cli" gains "$work/flat.wav" | tr '\n' ' ')" = "65.534 0 " ] || fail "gains flat: $("$cli" gains "$work/flat.wav")"
wave "$work/peak.wav" 1 16 100 -16384 3
[ "$("$cli" gains "$work/peak.wav" | tr '\n' ' ')" = "1.99993896484375 0 " ] || fail "gains 16-bit peak"
wave "$work/bytes.wav" 2 8 127 227 127 60
[ "$("$cli" gains "$work/bytes.wav" | tr '\n' ' ')" = "1 1.27 " ] || fail "gains 8-bit stereo: $("$cli" gains "$work/bytes.wav")"
expect_refusal "gains 24-bit" 1 "$work/wide.wav: 8 or 16 bits expected" "" gains "$work/wide.wav"
[ ! -s "$work/stdout" ] || fail "gains 24-bit printed gains"

# --- amplify --------------------------------------------------------------------------------------------
wave "$work/loud.wav" 2 16 20000 20000 -20000 -32768 7 -7
"$cli" amplify 2 -1 "$work/loud.wav" "$work/loud-out.wav" || fail "amplify: exit $?"
expect_samples "amplify clipping" "$work/loud-out.wav" 16 "32767 -20000 -32768 32767 14 7"
wave "$work/halves.wav" 1 8 126 128 0 255
"$cli" amplify 0.5 9 "$work/halves.wav" "$work/halves-out.wav" || fail "amplify 8-bit: exit $?"
expect_samples "amplify 8-bit halves" "$work/halves-out.wav" 8 "126 127 63 191"
expect_refusal "amplify bad gain" 2 "" "$work/x6.wav" amplify two 1 "$work/loud.wav" "$work/x6.wav"
expect_refusal "amplify nan gain" 2 "" "$work/x7.wav" amplify nan 1 "$work/loud.wav" "$work/x7.wav"
expect_refusal "amplify 24-bit" 1 "$work/wide.wav: 8 or 16 bits expected" "$work/x8.wav" amplify 1 1 "$work/wide.wav" "$work/x8.wav"

[ $failures -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "effects: all passed"
