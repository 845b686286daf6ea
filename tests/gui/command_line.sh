#!/usr/bin/env bash
# The command lines of both programs: --version prints the project's version (the About box shows the
# same one), --help prints the GUI's usage with its two optional files, and wrong command lines fail
# before any window opens.
# usage: command_line.sh TRESSEL TRESSEL_CLI VERSION
set -u
tressel=$1 cli=$2 version=$3
export QT_QPA_PLATFORM=offscreen
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# expect CODE OUTPUT_TEXT -- PROGRAM ARGUMENTS...: exit status and a text on standard output or error.
expect() {
    local code=$1 text=$2
    shift 3
    local output
    output=$(timeout 20 "$@" 2>&1)
    local got=$?
    [ "$got" -eq "$code" ] || fail "'$*' exited $got, expected $code"
    grep -qF -- "$text" <<<"$output" || fail "'$*' did not print '$text': $output"
}

expect 0 "tressel $version" -- "$tressel" --version
expect 0 "tressel-cli $version" -- "$cli" --version
[ "$("$tressel" --version 2>/dev/null)" = "tressel $version" ] || fail "tressel --version prints more than its version"
[ "$("$cli" --version)" = "tressel-cli $version" ] || fail "tressel-cli --version prints more than its version"
expect 0 "[options] [AUDIO] [FILTER]" -- "$tressel" --help
expect 0 "-v, --version" -- "$tressel" -h
expect 2 "at most one audio file and one filter file" -- "$tressel" a.wav b.txt c.txt
expect 1 "Unknown option 'frobnicate'" -- "$tressel" --frobnicate
expect 2 "tressel-cli --version" -- "$cli"

[ "$failures" -eq 0 ] && echo "command lines: all as expected"
exit $((failures > 0))
