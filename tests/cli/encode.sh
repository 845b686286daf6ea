#!/usr/bin/env bash
# tressel-cli encode: options reach the frame headers, the output plays in mpg123, failures exit as documented.
source "$(dirname "$0")/../support/cli-test.sh"

# The four header bytes of the first frame, as hex.
first_header() {
    od -An -tx1 -N4 "$1" | tr -d ' \n'
}

sox -n -r 44100 -c 2 -b 16 "$work/stereo.wav" synth 2 sine 440 sine 1000 vol 0.5
sox -n -r 22050 -c 1 -b 16 "$work/low.wav" synth 0.5 sine 440
sox -n -r 48000 -c 1 -b 8 "$work/mono8.wav" synth 1 sine 700 vol 0.5

# Defaults: 128 kbit/s, no CRC, none of the flags; the file is frames only and decodes cleanly to its length.
"$cli" encode "$work/stereo.wav" "$work/plain.mp3" 2>"$work/err" || fail "plain encode exited $?"
[ -s "$work/err" ] && fail "plain encode printed: $(cat "$work/err")"
header="$(first_header "$work/plain.mp3")"
# fffb: MPEG-1 Layer III without CRC; 90: 128 kbit/s at 44.1 kHz; 00: stereo, no copyright, not original.
[ "$header" = "fffb9000" ] || [ "$header" = "fffb9200" ] || fail "plain header $header"
mpg123 -q -s "$work/plain.mp3" >"$work/plain.pcm" 2>"$work/err" || fail "mpg123 failed on plain.mp3"
[ -s "$work/err" ] && fail "mpg123 complained: $(cat "$work/err")"
decoded=$(stat -c %s "$work/plain.pcm")
input=$((2 * 44100 * 4))
# The Info frame in place of the first frame tells mpg123 and tressel-cli the input's exact length.
[ "$decoded" -eq "$input" ] || fail "mpg123 decoded $decoded bytes for $input bytes of input"
"$cli" decode "$work/plain.mp3" "$work/plain.wav" >/dev/null 2>&1 || fail "decoding plain.mp3 failed"
[ "$(stat -c %s "$work/plain.wav")" -eq $((input + 44)) ] || fail "tressel-cli decoded another length"

# Every option: CRC clears the protection bit, private sets bit 0 of byte 2, copyright and original bits 3
# and 2 of byte 3; 320 kbit/s is index 14.
"$cli" encode "$work/stereo.wav" "$work/flags.mp3" --bitrate 320 --crc --copyright --private --original \
    2>"$work/err" || fail "flag encode exited $?"
header="$(first_header "$work/flags.mp3")"
case "$header" in
    fffae[13]0c) ;;
    *) fail "flag header $header" ;;
esac
mpg123 -q -s "$work/flags.mp3" >/dev/null 2>"$work/err" || fail "mpg123 failed on flags.mp3"
[ -s "$work/err" ] && fail "mpg123 complained about flags.mp3: $(cat "$work/err")"

# An 8-bit mono wave encodes as mono (mode 3) at 48 kHz.
"$cli" encode "$work/mono8.wav" "$work/mono8.mp3" --bitrate 64 || fail "8-bit encode exited $?"
header="$(first_header "$work/mono8.mp3")"
case "$header" in
    fffb5[46]c0) ;;
    *) fail "mono header $header" ;;
esac

# A bitrate text outside the list is reported and the file is still encoded at 128 kbit/s.
"$cli" encode "$work/stereo.wav" "$work/odd.mp3" --bitrate " 128" 2>"$work/err"
status=$?
[ "$status" -eq 0 ] || fail "odd bitrate exited $status"
grep -qxF "tressel-cli: $work/odd.mp3: No valid selection - Encoding with 128 kbit" "$work/err" || fail "odd bitrate message: $(cat "$work/err")"
case "$(first_header "$work/odd.mp3")" in
    fffb9[02]00) ;;
    *) fail "odd bitrate header $(first_header "$work/odd.mp3")" ;;
esac

# An unsupported rate is refused before anything is written.
"$cli" encode "$work/low.wav" "$work/low.mp3" 2>"$work/err"
status=$?
[ "$status" -eq 1 ] || fail "22050 Hz exited $status"
grep -q "SamplesPerSecond is not a supported frequency." "$work/err" || fail "22050 Hz message: $(cat "$work/err")"
[ -e "$work/low.mp3" ] && fail "22050 Hz left a file"

# An output folder that does not exist.
"$cli" encode "$work/stereo.wav" "$work/none/out.mp3" 2>"$work/err"
status=$?
[ "$status" -eq 1 ] || fail "missing folder exited $status"
grep -qxF "tressel-cli: $work/none/out.mp3: Could not open File" "$work/err" || fail "missing folder message: $(cat "$work/err")"

# Usage errors.
"$cli" encode "$work/stereo.wav" >/dev/null 2>&1
[ $? -eq 2 ] || fail "one positional did not exit 2"
"$cli" encode "$work/stereo.wav" "$work/x.mp3" --quality 2 >/dev/null 2>&1
[ $? -eq 2 ] || fail "unknown option did not exit 2"

exit "$failures"
