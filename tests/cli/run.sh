#!/usr/bin/env bash
# tressel-cli run: a macro over many files equals the subcommands chained by hand, file for file, byte for
# byte, whatever the number of jobs; a bad file fails alone; a bad macro or a plan that would overwrite an
# input processes nothing; an interrupted run leaves no partial file and resumes; shards run through GNU
# parallel cover a collection exactly once.
# usage: run.sh TRESSEL_CLI TEST_DATA_DIR
source "$(dirname "$0")/../support/cli-test.sh"
cd "$work" || exit 1

# Six inputs: stereo and mono, 16 and 8 bits, three rates, an MP3 stream and a file that is no wave.
mkdir in
sox -n -r 44100 -c 2 -b 16 in/stereo.wav synth 0.5 sine 440 sine 1000 vol 0.4
sox -n -r 48000 -c 1 -b 16 in/mono.wav synth 0.4 square 300 vol 0.3
sox -n -r 44100 -c 1 -b 8 in/mono8.wav synth 0.3 sine 200 vol 0.5
sox -n -r 32000 -c 2 -b 16 in/loud.wav synth 0.3 sine 50 sine 7000
cp "$data/vectors/l2-fl10.bit" in/song.mp3
printf 'this is no wave file at all\n' >in/broken.wav
inputs="in/stereo.wav in/mono.wav in/mono8.wav in/song.mp3 in/loud.wav in/broken.wav"

python3 -c 'import math; print("\n".join("%.9f" % (math.sin(0.3 * j) / (j + 1)) for j in range(31)))' >taps.txt
cat >clean.txt <<'EOF'
# hum, clicks, level, as a tape transfer might want them
fir taps.txt --original 0.25 --filtered 0.8 --channels 1,2
median 5 --channels 2
normalize               # each channel by its proposed gain
amplify 0.9 0.95
save {name}-clean.wav
encode {name}.mp3 --bitrate 192 --crc --original
EOF

# The same chain by hand, one subcommand after the other, files in between.
mkdir hand
for input in $inputs; do
    name="$(basename "${input%.*}")"
    "$cli" fir taps.txt "$input" hand/1.wav --original 0.25 --filtered 0.8 --channels 1,2 2>/dev/null &&
        "$cli" median 5 hand/1.wav hand/2.wav --channels 2 &&
        "$cli" normalize hand/2.wav hand/3.wav &&
        "$cli" amplify 0.9 0.95 hand/3.wav "hand/$name-clean.wav" &&
        "$cli" encode "hand/$name-clean.wav" "hand/$name.mp3" --bitrate 192 --crc --original
done
rm -f hand/1.wav hand/2.wav hand/3.wav

# Two jobs: every output equals the hand-made one; the bad file is reported with the window's message.
"$cli" run clean.txt $inputs --jobs 2 --out out >stdout 2>stderr
status=$?
[ "$status" -eq 1 ] || fail "a run with a broken input exited $status, not 1"
grep -qx 'FAILED in/broken.wav: Not a valid Wave format' stdout || fail "broken input not reported: $(cat stdout)"
[ "$(grep -c '^OK ' stdout)" -eq 5 ] || fail "expected five OK lines: $(cat stdout)"
grep -qx 'OK in/song.mp3 -> out/song-clean.wav, out/song.mp3' stdout || fail "no OK line for the MP3 input"
for file in stereo-clean.wav stereo.mp3 mono-clean.wav mono.mp3 mono8-clean.wav mono8.mp3 song-clean.wav song.mp3 \
    loud-clean.wav loud.mp3; do
    cmp -s "hand/$file" "out/$file" || fail "out/$file differs from the subcommands chained by hand"
done
[ "$(ls out | wc -l)" -eq 10 ] || fail "unexpected outputs: $(ls out)"

# One job held to one core, inputs from a list: the same bytes.
printf '%s\n' $inputs >list.txt
taskset -c 0 "$cli" run clean.txt --list list.txt --jobs 1 --out one >/dev/null 2>&1
for file in $(ls out); do
    cmp -s "out/$file" "one/$file" || fail "one job on one core wrote another $file"
done

# Resuming: every input whose outputs are all there is left alone.
"$cli" run clean.txt $inputs --out out --skip-existing >stdout 2>/dev/null
[ "$(grep -c '^SKIPPED ' stdout)" -eq 5 ] || fail "--skip-existing did not skip: $(cat stdout)"

# Refused before anything runs: a bad macro (file and line), outputs onto an input or onto each other.
printf 'normalize\nmedian 3 --channels 3\nsave {name}-x.wav\n' >bad.txt
printf 'save {name}.wav\n' >same.txt
printf 'save x.wav\n' >clash.txt
printf 'median 3\n' >nothing.txt
for case in "bad.txt:bad.txt:2: --channels must be 1, 2 or 1,2: 3" "same.txt:would overwrite the input" \
    "clash.txt:would be written twice" "nothing.txt:writes no file" "missing.txt:missing.txt: cannot be read"; do
    macro="${case%%:*}"
    message="${case#*:}"
    before="$(ls -l in)"
    "$cli" run "$macro" in/stereo.wav in/mono.wav >stdout 2>stderr
    status=$?
    [ "$status" -eq 2 ] || fail "$macro: exit $status, not 2"
    grep -qF -- "$message" stderr || fail "$macro: stderr '$(cat stderr)' lacks '$message'"
    [ "$(ls -l in)" = "$before" ] && [ ! -s stdout ] || fail "$macro: something was processed"
done

# Interrupted: whatever has been written is whole and nothing half-written stays behind.
mkdir many
sox -n -r 44100 -c 2 -b 16 long.wav synth 4 sine 440 sine 1000 vol 0.4
for i in $(seq 1 12); do cp long.wav "many/take$i.wav"; done
python3 -c 'print("\n".join("%.9f" % (1.0 / (j + 1)) for j in range(255)))' >long-taps.txt
printf 'fir long-taps.txt\nsave {name}-x.wav\n' >slow.txt
mkfifo lines
"$cli" run slow.txt many/*.wav --jobs 2 --out cut >lines 2>/dev/null &
exec 3<lines
read -r first <&3
# Stopped as soon as the first file is through. A background job of a script ignores Ctrl+C; a kill is
# what it gets.
kill -TERM $! 2>/dev/null
wait $!
exec 3<&-
leftovers="$(find cut -name '*.wav.*' 2>/dev/null)"
[ -z "$leftovers" ] || fail "partial files left: $leftovers"
"$cli" run slow.txt many/*.wav --jobs 2 --out cut --skip-existing >/dev/null 2>&1 || fail "resuming failed"
"$cli" run slow.txt many/take1.wav --out whole >/dev/null 2>&1
for i in $(seq 1 12); do
    cmp -s whole/take1-x.wav "cut/take$i-x.wav" || fail "cut/take$i-x.wav is not whole after resuming"
done

# Three machines, played here by GNU parallel: each input once, in one shard or another.
ls many/*.wav >many.txt
parallel --will-cite "$cli" run slow.txt --list many.txt --shard {}/3 --out shards ::: 1 2 3 >stdout 2>/dev/null ||
    fail "a shard failed"
sort stdout | grep -o 'many/take[0-9]*\.wav ' | sort | uniq -c | awk '$1 != 1 { bad = 1 } END { exit bad }' ||
    fail "an input ran twice"
[ "$(grep -c '^OK ' stdout)" -eq 12 ] || fail "the shards did not cover all 12 inputs: $(cat stdout)"
for i in $(seq 1 12); do
    cmp -s whole/take1-x.wav "shards/take$i-x.wav" || fail "shards/take$i-x.wav differs"
done

[ "$failures" -eq 0 ] && echo "run: all checks passed"
exit $((failures > 0))
