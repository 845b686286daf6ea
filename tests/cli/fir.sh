#!/usr/bin/env bash
# tressel-cli fir: documented outputs, exit codes, and results on small waves worked out by hand.
# usage: fir.sh TRESSEL_CLI TEST_DATA_DIR
set -u
cli=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# wave FILE CHANNELS BITS SAMPLE... : a canonical 44-byte-header PCM file (8-bit samples are bytes).
wave() {
    python3 - "$@" <<'EOF'
import struct, sys
path, channels, bits = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
values = [int(v) for v in sys.argv[4:]]
data = bytes(values) if bits == 8 else struct.pack('<%dh' % len(values), *values)
align = channels * ((bits + 7) // 8)
head = b'RIFF' + struct.pack('<I', 36 + len(data)) + b'WAVEfmt ' + struct.pack(
    '<IHHIIHH', 16, 1, channels, 44100, 44100 * align, align, bits) + b'data' + struct.pack('<I', len(data))
open(path, 'wb').write(head + data)
EOF
}

# expect_status CODE STDERR_TEXT -- COMMAND...: runs the tool, checks the exit status and standard error.
expect_status() {
    local code=$1 text=$2
    shift 3
    "$cli" "$@" >"$work/stdout" 2>"$work/stderr"
    local got=$?
    [ "$got" -eq "$code" ] || fail "'$*' exited $got, expected $code"
    [ -z "$text" ] || grep -qF -- "$text" "$work/stderr" || fail "'$*' did not print '$text' on standard error: $(cat "$work/stderr")"
}

printf '; identity\n0.0\n1.0\n0.0\n' >"$work/identity.txt"
printf '0.0\r\n2.0\r\n0.0\r\n' >"$work/double.txt"
printf '1.0\n0.0\n0.0\n' >"$work/delay.txt"
printf '1.0\n2.0\n' >"$work/two.txt"
wave "$work/stereo.wav" 2 16 100 -200 20000 -300 7 8
wave "$work/mono8.wav" 1 8 127 137 107 255 0
wave "$work/wide.wav" 2 24 1 2 3 4 5 6

# --help documents the subcommand.
"$cli" --help >"$work/help" || fail "--help exited non-zero"
grep -qF 'fir TAPS IN OUT [--original X] [--filtered Y] [--channels 1|2|1,2]' "$work/help" || fail "--help lacks fir"

# Bad arguments: usage and status 2, nothing written.
expect_status 2 "usage: tressel-cli fir" -- fir "$work/identity.txt" "$work/stereo.wav"
expect_status 2 "usage: tressel-cli fir" -- fir "$work/identity.txt" "$work/stereo.wav" "$work/o.wav" --channels 3
expect_status 2 "usage: tressel-cli fir" -- fir "$work/identity.txt" "$work/stereo.wav" "$work/o.wav" --original x
expect_status 2 "usage: tressel-cli fir" -- fir "$work/identity.txt" "$work/stereo.wav" "$work/o.wav" --filtered 1e99
expect_status 2 "usage: tressel-cli fir" -- fir "$work/identity.txt" "$work/stereo.wav" "$work/o.wav" --gain 2
[ ! -e "$work/o.wav" ] || fail "a usage error wrote the output"

# Reported failures: the message, status 1, no output.
expect_status 1 "tressel-cli: $work/missing.txt: Could not open file" -- fir "$work/missing.txt" "$work/stereo.wav" "$work/o.wav"
expect_status 1 "tressel-cli: $work/two.txt: Could not open file" -- fir "$work/two.txt" "$work/stereo.wav" "$work/o.wav"
expect_status 1 "tressel-cli: $work/missing.wav: Could not open file" -- fir "$work/identity.txt" "$work/missing.wav" "$work/o.wav"
expect_status 1 "tressel-cli: $work/wide.wav: 8 or 16 bits expected" -- fir "$work/identity.txt" "$work/wide.wav" "$work/o.wav"
[ ! -e "$work/o.wav" ] || fail "a failed command wrote the output"

# The identity filter with the default levels gives the input back byte for byte.
expect_status 0 "" -- fir "$work/identity.txt" "$work/stereo.wav" "$work/same.wav"
cmp -s "$work/stereo.wav" "$work/same.wav" || fail "identity filter changed the file"
[ ! -s "$work/stdout" ] || fail "fir printed on standard output"

# Channel 2 only, filtered 1.5 and original 1: 1.5 * 2x + x = 4x, clipped; channel 1 untouched.
expect_status 0 "" -- fir "$work/double.txt" "$work/stereo.wav" "$work/ch2.wav" --filtered 1.5 --original 1 --channels 2
wave "$work/ch2-expected.wav" 2 16 100 -800 20000 -1200 7 32
cmp -s "$work/ch2.wav" "$work/ch2-expected.wav" || fail "--channels 2 result differs"

# Both channels, doubled: 40000 clips to 32767.
expect_status 0 "" -- fir "$work/double.txt" "$work/stereo.wav" "$work/both.wav" --channels 1,2
wave "$work/both-expected.wav" 2 16 200 -400 32767 -600 14 16
cmp -s "$work/both.wav" "$work/both-expected.wav" || fail "--channels 1,2 result differs"

# Mono 8-bit, delayed by one sample and inverted: byte b becomes 127 - (previous byte - 127), clipped to 0..255.
expect_status 0 "" -- fir "$work/delay.txt" "$work/mono8.wav" "$work/delayed.wav" --filtered -1 --channels 1
wave "$work/delayed-expected.wav" 1 8 127 127 117 147 0
cmp -s "$work/delayed.wav" "$work/delayed-expected.wav" || fail "mono 8-bit result differs"

# The header is never changed: info reads the same values from the filtered file.
"$cli" info "$work/both.wav" >"$work/info" || fail "info failed"
printf 'Channels: 2\nSamplesPerSecond: 44100\nBitsPerSample: 16\nDataLength: 12\n' | cmp -s - "$work/info" ||
    fail "info output: $(cat "$work/info")"

[ "$failures" -eq 0 ] && echo "fir: all checks passed"
exit $((failures > 0))
