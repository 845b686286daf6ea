#!/usr/bin/env bash
# The bad-file corpus through the command-line tool: tests/data/bad/MANIFEST names each file with the
# message or result it must give (WAV files through "info", MPEG files through "decode", filter files
# through "fir"). The tool must answer every one with a message and status 1 or with the result, never
# crash.
source "$(dirname "$0")/../support/cli-test.sh"
corpus="$data/bad"

# Little-endian unsigned field of a file: u16 or u32 at an offset.
field() {
    od -An -t"u$3" -j"$2" -N"$3" "$1" | tr -d ' '
}

sox -n -r 44100 -c 1 -b 16 "$work/tone.wav" synth 0.05 sine 440

# expect_message NAME MESSAGE STATUS FILE: the message names the file it is about.
expect_message() {
    local name="$1" message="$2" status="$3" file="$4"
    [ "$status" -eq 1 ] || fail "$name: status $status, expected 1 with \"$message\""
    grep -qxF "tressel-cli: $file: $message" "$work/err" || fail "$name: no \"$message\" in: $(head -c 300 "$work/err")"
}

check_wav() {
    local name="$1" expected="$2"
    "$cli" info "$corpus/$name" >"$work/out" 2>"$work/err"
    local status=$?
    case "$expected" in
        \"*) expect_message "$name" "$(echo "$expected" | sed 's/^"\(.*\)"$/\1/')" "$status" "$corpus/$name" ;;
        ok\ *)
            set -- $expected
            printf 'Channels: %s\nSamplesPerSecond: %s\nBitsPerSample: %s\nDataLength: %s\n' "$2" "$3" "$4" "$5" \
                >"$work/want"
            [ "$status" -eq 0 ] || fail "$name: status $status: $(cat "$work/err")"
            cmp -s "$work/want" "$work/out" || fail "$name: read-outs $(tr '\n' ' ' <"$work/out")"
            # Processing refuses channel counts and sample widths it cannot take, channels first.
            local refusal=""
            if [ "$2" != 1 ] && [ "$2" != 2 ]; then
                refusal="1 or 2 channels expected"
            elif [ "$4" != 8 ] && [ "$4" != 16 ]; then
                refusal="8 or 16 bits expected"
            fi
            if [ -n "$refusal" ]; then
                "$cli" median 3 "$corpus/$name" "$work/median.wav" >/dev/null 2>"$work/err"
                expect_message "$name (median)" "$refusal" $? "$corpus/$name"
                [ -e "$work/median.wav" ] && fail "$name: median wrote an output although it refused"
            fi
            ;;
    esac
}

check_mp3() {
    local name="$1" expected="$2"
    rm -f "$work/decoded.wav"
    "$cli" decode "$corpus/$name" "$work/decoded.wav" >/dev/null 2>"$work/err"
    local status=$?
    case "$expected" in
        \"*)
            expect_message "$name" "$(echo "$expected" | sed 's/^"\(.*\)"$/\1/')" "$status" "$corpus/$name"
            [ -e "$work/decoded.wav" ] && fail "$name: an output was written although the decode failed"
            ;;
        ok\ *)
            set -- $expected
            [ "$status" -eq 0 ] || { fail "$name: status $status: $(head -c 300 "$work/err")"; return; }
            local file="$work/decoded.wav"
            local channels rate align size
            channels=$(field "$file" 22 2)
            rate=$(field "$file" 24 4)
            align=$(field "$file" 32 2)
            size=$(field "$file" 40 4)
            [ "$channels" = "$2" ] || fail "$name: channels $channels, expected $2"
            [ "$rate" = "$3" ] || fail "$name: rate $rate, expected $3"
            [ "$align" -eq $((2 * channels)) ] || fail "$name: block align $align"
            [ $((size / align)) -eq "$4" ] || fail "$name: $((size / align)) sample frames, expected $4"
            ;;
    esac
}

# The stream cut at every position of its last frame (the core test cuts it everywhere): a message and
# status 1, or a WAV whose data size is what follows the header.
check_mp3_cuts() {
    local name="$1" frames="$2" size length status
    size=$(stat -c %s "$corpus/$name")
    for ((length = size - size / frames; length <= size; length++)); do
        head -c "$length" "$corpus/$name" >"$work/prefix.mp3"
        rm -f "$work/decoded.wav"
        "$cli" decode "$work/prefix.mp3" "$work/decoded.wav" >/dev/null 2>"$work/err"
        status=$?
        if [ "$status" -eq 0 ]; then
            local data
            data=$(field "$work/decoded.wav" 40 4)
            [ "$data" -eq $(($(stat -c %s "$work/decoded.wav") - 44)) ] ||
                fail "$name cut at $length: data size $data does not match the file"
        elif [ "$status" -ne 1 ] || ! grep -qxF "tressel-cli: $work/prefix.mp3: Failed to decode MP3 file" "$work/err"; then
            fail "$name cut at $length: status $status: $(head -c 300 "$work/err")"
        fi
    done
}

check_filter() {
    local name="$1" expected="$2"
    "$cli" fir "$corpus/$name" "$work/tone.wav" "$work/filtered.wav" >/dev/null 2>"$work/err"
    local status=$?
    case "$expected" in
        \"*) expect_message "$name" "$(echo "$expected" | sed 's/^"\(.*\)"$/\1/')" "$status" "$corpus/$name" ;;
        ok\ *) [ "$status" -eq 0 ] || fail "$name: status $status: $(cat "$work/err")" ;;
    esac
}

cases=0
while read -r name kind expected; do
    case "$name" in "" | \#*) continue ;; esac
    cases=$((cases + 1))
    case "$kind" in
        wav) check_wav "$name" "$expected" ;;
        mp3) check_mp3 "$name" "$expected" ;;
        mp3-cuts) check_mp3_cuts "$name" "${expected#frames }" ;;
        filter) check_filter "$name" "$expected" ;;
        *) fail "$name: unknown kind $kind" ;;
    esac
done <"$corpus/MANIFEST"
[ "$cases" -ge 30 ] || fail "only $cases cases in the manifest"

# A file over 4 GiB cannot be a RIFF image: refused, not read cut to 32 bits (sparse, so it costs no disk).
head -c 44 "$corpus/header-only.wav" >"$work/huge.wav"
truncate -s 4294967340 "$work/huge.wav"
"$cli" info "$work/huge.wav" >/dev/null 2>"$work/err"
expect_message huge.wav "Could not open file" $? "$work/huge.wav"

[ "$failures" -eq 0 ] || { echo "$failures failures" >&2; exit 1; }
echo "bad files: $cases cases passed"
