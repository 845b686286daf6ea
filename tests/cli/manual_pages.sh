#!/usr/bin/env bash
# The manual pages keep up with the tool: every subcommand that tressel-cli's usage lists appears in
# tressel-cli(1) with the same synopsis, both pages name --version, and groff renders them without a warning.
# usage: manual_pages.sh TRESSEL_CLI TEST_DATA_DIR
set -u
cli=$1
pages="$(dirname "$0")/../../docs/man"
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

render() {
    groff -man -Tutf8 -rLL=250n -P-cbu "$1" 2>/dev/null
}

for page in "$pages"/tressel.1.in "$pages"/tressel-cli.1.in; do
    warnings=$(groff -man -ww -z "$page" 2>&1)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
    render "$page" | grep -qF -- "--version" || fail "$(basename "$page") does not name --version"
done

manual=$(render "$pages/tressel-cli.1.in")
commands=0
while IFS= read -r synopsis; do
    commands=$((commands + 1))
    grep -qF -- "$synopsis" <<<"$manual" || fail "tressel-cli.1 lacks '$synopsis'"
done < <("$cli" 2>&1 >/dev/null | sed -n 's/^  tressel-cli //p')  # the usage lists every subcommand
[ "$commands" -ge 9 ] || fail "only $commands subcommands found in the usage of tressel-cli"

[ "$failures" -eq 0 ] && echo "manual pages: $commands subcommands documented"
exit $((failures > 0))
