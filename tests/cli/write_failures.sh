#!/usr/bin/env bash
# Every command that writes a file, facing a full disk (a file-size limit, which fails writes the way a
# full disk does) and a folder it may not write to: status 1 with the message, a file that was there
# before untouched, no temporary file left beside it.
set -u
cli="$1"
data="$2"
work="$(mktemp -d)"
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
chmod 755 "$work"
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

sox -n -r 44100 -c 2 -b 16 "$work/in.wav" synth 1 sine 440 sine 1000 vol 0.5
printf '0.25\n0.5\n0.25\n' >"$work/taps.txt"
chmod 644 "$work/in.wav" "$work/taps.txt"
mp3="$data/bad/layer2.mp3"

# Runs the tool as a user who cannot write into a folder of mode 0555 (root could).
unprivileged() {
    if [ "$(id -u)" -eq 0 ]; then
        setpriv --reuid=65534 --regid=65534 --clear-groups "$@"
    else
        "$@"
    fi
}

# check NAME MODE MESSAGE COMMAND... (the output file is $out)
check() {
    local name="$1" mode="$2" message="$3"
    shift 3
    rm -rf "$work/out"
    mkdir "$work/out"
    printf 'old' >"$out"
    local status
    if [ "$mode" = full ]; then
        (trap '' XFSZ; ulimit -f 8; "$@") >/dev/null 2>"$work/err"
        status=$?
    else
        chmod 555 "$work/out"
        unprivileged "$@" >/dev/null 2>"$work/err"
        status=$?
        chmod 755 "$work/out"
    fi
    [ "$status" -eq 1 ] || fail "$name ($mode): status $status"
    # The message names the output, in its own words or in front of them.
    local line="tressel-cli: $out: $message"
    [[ "$message" == *"$out"* ]] && line="tressel-cli: $message"
    grep -qxF "$line" "$work/err" || fail "$name ($mode): $(head -c 300 "$work/err")"
    [ "$(cat "$out")" = old ] || fail "$name ($mode): the old file was changed"
    [ "$(ls -A "$work/out" | wc -l)" -eq 1 ] || fail "$name ($mode): left $(ls -A "$work/out" | tr '\n' ' ')"
}

out="$work/out/out.wav"
full="Disk full while accessing $out."
check fir full "$full" "$cli" fir "$work/taps.txt" "$work/in.wav" "$out"
check fir readonly "Could not open File" "$cli" fir "$work/taps.txt" "$work/in.wav" "$out"
check median full "$full" "$cli" median 3 "$work/in.wav" "$out"
check median readonly "Could not open File" "$cli" median 3 "$work/in.wav" "$out"
check amplify full "$full" "$cli" amplify 0.5 0.5 "$work/in.wav" "$out"
check amplify readonly "Could not open File" "$cli" amplify 0.5 0.5 "$work/in.wav" "$out"
check decode full "$full" "$cli" decode "$mp3" "$out"
check decode readonly "Access to $out was denied." "$cli" decode "$mp3" "$out"
out="$work/out/out.mp3"
check encode full "Write error" "$cli" encode "$work/in.wav" "$out" --bitrate 320
check encode readonly "Could not open File" "$cli" encode "$work/in.wav" "$out"

out="$work/out/out.csv"
check plot-data full "Disk full while accessing $out." "$cli" plot-data spectrum "$work/in.wav" "$out"
check plot-data readonly "Could not open File" "$cli" plot-data spectrum "$work/in.wav" "$out"
if "$cli" --help | grep -q '^tressel-cli plot '; then
    for out in "$work/out/out.png" "$work/out/out.svg"; do
        # Large enough to pass the 8 KiB limit as PNG too.
        check plot full "Disk full while accessing $out." "$cli" plot spectrum "$work/in.wav" "$out" --size 1200x900
        check plot readonly "Could not open File" "$cli" plot spectrum "$work/in.wav" "$out"
    done
fi

# Interrupted while the output is being written: the temporary file goes, the older file stays.
sox -n -r 44100 -c 2 -b 16 "$work/long.wav" synth 300 sine 440 vol 0.5
python3 -c 'print("\n".join(["0.001"] * 1023))' >"$work/many-taps.txt"
echo "older" >"$work/kept.wav"
"$cli" fir "$work/many-taps.txt" "$work/long.wav" "$work/kept.wav" 2>"$work/stderr" &
writer=$!
for _ in $(seq 1 1000); do
    [ -n "$(find "$work" -name 'kept.wav.*' -size +0)" ] && break
    sleep 0.01
done
kill -TERM "$writer"
wait "$writer"
status=$?
[ "$status" -eq 143 ] || fail "interrupted fir: status $status, not 143"
grep -qF "tressel-cli: interrupted; files being written were removed" "$work/stderr" ||
    fail "interrupted fir: stderr '$(cat "$work/stderr")'"
[ "$(cat "$work/kept.wav")" = "older" ] || fail "interrupted fir: the older file changed"
leftovers="$(find "$work" -name 'kept.wav.*')"
[ -z "$leftovers" ] || fail "interrupted fir: left $leftovers"

[ "$failures" -eq 0 ] || { echo "$failures failures" >&2; exit 1; }
echo "write failures: all writers checked"
