#!/usr/bin/env bash
# Every subcommand that reads audio takes MP3 files too: decoded in memory, with nothing left in the
# temporary folder, and with the same answers as decoding first and reading the WAV file.
set -u
CLI="$1"
DATA="$2"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
export TMP="$WORK/tmp"
mkdir -p "$TMP"

cp "$DATA/vectors/l2-fl10.bit" "$WORK/song.mp3"
"$CLI" decode "$WORK/song.mp3" "$WORK/song.wav" >/dev/null || fail "decode"

# The same samples whether the tool decodes the MP3 itself or reads the decoded WAV.
"$CLI" median 5 "$WORK/song.mp3" "$WORK/from-mp3.wav" >/dev/null || fail "median on an MP3"
"$CLI" median 5 "$WORK/song.wav" "$WORK/from-wav.wav" >/dev/null || fail "median on the WAV"
cmp -s "$WORK/from-mp3.wav" "$WORK/from-wav.wav" || fail "MP3 input differs from its decoded WAV"
"$CLI" info "$WORK/song.mp3" | grep -qx "SamplesPerSecond: 32000" || fail "info on an MP3"
# Standard output carries the data alone; the decoder's own report goes to standard error.
lines="$("$CLI" spectrum "$WORK/song.mp3" 2>/dev/null | wc -l)"
[ "$lines" -eq 1024 ] || fail "spectrum on an MP3 printed $lines lines"
[ -z "$(ls -A "$TMP")" ] || fail "temporary files left: $(ls "$TMP")"

# Nothing decodable: the import's message, exit 1, no output, nothing left behind.
head -c 3000 /dev/zero | tr '\0' 'U' > "$WORK/noise.mp3"
out="$("$CLI" median 5 "$WORK/noise.mp3" "$WORK/none.wav" 2>&1 >/dev/null)"
status=$?
[ "$status" -eq 1 ] || fail "noise: exit $status"
grep -qxF "tressel-cli: $WORK/noise.mp3: Failed to decode MP3 file" <<<"$out" || fail "noise: message '$out'"
[ ! -e "$WORK/none.wav" ] || fail "noise: output written"
[ -z "$(ls -A "$TMP")" ] || fail "temporary files left after a failure"

exit $((failures > 0))
