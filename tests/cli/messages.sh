#!/usr/bin/env bash
# What tressel-cli tells a person: every subcommand answers --help; each message names the file it is
# about; a WAV file given where MPEG audio is read (or the reverse) is refused with the format found,
# before any decoding; the decoder's remarks appear only with --verbose.
# usage: messages.sh TRESSEL_CLI TEST_DATA_DIR
source "$(dirname "$0")/../support/cli-test.sh"
cd "$work" || exit 1

# --help of every subcommand the usage lists: status 0, its synopsis on standard output, nothing else run.
commands=0
while read -r name _; do
    commands=$((commands + 1))
    "$cli" "$name" --help >help 2>err
    status=$?
    [ "$status" -eq 0 ] || fail "$name --help exited $status"
    head -n 1 help | grep -q "^usage: tressel-cli $name" || fail "$name --help: $(head -n 1 help)"
    grep -q -- "--verbose" help || fail "$name --help does not mention --verbose"
    [ ! -s err ] || fail "$name --help wrote to standard error: $(cat err)"
done < <("$cli" 2>&1 >/dev/null | sed -n 's/^  tressel-cli //p')
[ "$commands" -ge 9 ] || fail "only $commands subcommands in the usage"

sox -n -r 44100 -c 2 -b 16 tone.wav synth 0.2 sine 440 sine 880
cp tone.wav tone.mp3
cp "$data/vectors/l2-fl10.bit" song.mp3
cp song.mp3 song.wav
printf '0.25\n0.5\n0.25\n' >taps.txt
printf 'no filter here\n' >lowpass.txt
mkdir readonly

# One case per line: exit status | expected standard error, lines joined by "~" | arguments.
# "<remarks>" stands for any output that holds the decoder's "is a BINARY file" on standard error.
while IFS='|' read -r status expected arguments; do
    [ -z "$status" ] && continue
    eval "set -- $arguments"
    "$cli" "$@" >out 2>err
    got=$?
    [ "$got" -eq "$status" ] || fail "$arguments: exit $got, expected $status ($(cat err))"
    if [ "$expected" = "<remarks>" ]; then
        grep -q "is a BINARY file" err || fail "$arguments: no decoder remarks: $(cat err)"
        continue
    fi
    want="$(tr '~' '\n' <<<"$expected" | sed '/^$/d')"
    [ "$(cat err)" = "$want" ] || fail "$arguments: standard error '$(cat err)', expected '$want'"
done <<'CASES'
1|tressel-cli: lowpass.txt: Could not open file|fir lowpass.txt tone.wav o.wav
1|tressel-cli: missing.txt: Could not open file|fir missing.txt tone.wav o.wav
1|tressel-cli: missing.wav: Could not open file|fir taps.txt missing.wav o.wav
1|tressel-cli: missing.wav: Could not open file|info missing.wav
1|tressel-cli: nowhere/o.wav: Could not open File|median 3 tone.wav nowhere/o.wav
1|tressel-cli: tone.mp3: Failed to decode MP3 file~tressel-cli: tone.mp3: found a WAV file, not MPEG audio|info tone.mp3
1|tressel-cli: tone.wav: Failed to decode MP3 file~tressel-cli: tone.wav: found a WAV file, not MPEG audio|decode tone.wav o.wav
1|tressel-cli: song.wav: Not a valid Wave format~tressel-cli: song.wav: found MPEG audio, not a WAV file|gains song.wav
1|tressel-cli: song.wav: Not a valid Wave format~tressel-cli: song.wav: found MPEG audio, not a WAV file|fir taps.txt song.wav o.wav
1|tressel-cli: missing.mp3: Failed to decode MP3 file|decode missing.mp3 o.wav
0||info song.mp3
0||decode song.mp3 o.wav
0||fir taps.txt song.mp3 o.wav
0|<remarks>|--verbose info song.mp3
0|<remarks>|fir taps.txt song.mp3 o2.wav --verbose
CASES
[ ! -e nowhere ] || fail "a failed save made a folder"

# Refused inputs wrote nothing: the only outputs are those of the cases that succeeded.
[ "$(ls o*.wav 2>/dev/null | tr '\n' ' ')" = "o.wav o2.wav " ] || fail "outputs: $(ls o*.wav 2>/dev/null)"
# Quiet and verbose runs write the same file.
"$cli" fir taps.txt song.mp3 o.wav 2>/dev/null
cmp -s o.wav o2.wav || fail "--verbose changed the output"

[ "$failures" -eq 0 ] || { echo "$failures failures" >&2; exit 1; }
echo "messages: $commands subcommands answer --help, every case passed"
