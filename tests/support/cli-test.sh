# What every command-line test starts with; sourced by the scripts in tests/cli/, which are run as
# "SCRIPT TRESSEL_CLI TEST_DATA_DIR". Sets $cli, $data and a scratch folder $work removed at exit, and
# fail(), which reports and counts a failure in $failures.
set -u
cli="$1"
data="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
