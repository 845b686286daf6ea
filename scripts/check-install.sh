#!/usr/bin/env bash
# Proves that an installed Tressel works without its build tree. Stages `cmake --install` into a DESTDIR
# and checks the tree; builds the Debian package, installs it with apt, runs the installed programs (an
# MP3 export through the installed encoder module among them) and validates the desktop files; then
# removes the package again, so the machine is left as it was.
# usage: check-install.sh [BUILD_DIR]     (default build/default, already built with the windows)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
version=$(sed -n 's/.*kVersion = "\(.*\)";/\1/p' "$build/include/tressel/BuildInfo.h")
app_id=org.brindlewick.Tressel
work=$(mktemp -d)
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
package_installed=false

cleanup() {
    if $package_installed; then
        "${sudo_cmd[@]}" apt-get purge -y -qq tressel >/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "check-install: FAIL: $*" >&2
    exit 1
}

# expected_files PREFIX: every file an install must hold, relative to the root, sorted.
expected_files() {
    local prefix=$1
    {
        echo "$prefix/bin/tressel"
        echo "$prefix/bin/tressel-cli"
        echo "$prefix/lib/tressel/libbladeenc.so"
        echo "$prefix/share/applications/$app_id.desktop"
        echo "$prefix/share/doc/tressel/copyright"
        echo "$prefix/share/icons/hicolor/256x256/apps/$app_id.png"
        echo "$prefix/share/icons/hicolor/scalable/apps/$app_id.svg"
        echo "$prefix/share/man/man1/tressel-cli.1.gz"
        echo "$prefix/share/man/man1/tressel.1.gz"
        echo "$prefix/share/metainfo/$app_id.metainfo.xml"
        echo "$prefix/share/tressel/examples/demo-speech.wav"
        for f in examples/filters/*; do echo "$prefix/share/tressel/examples/filters/${f##*/}"; done
        for f in res/help/*; do echo "$prefix/share/tressel/help/${f##*/}"; done
    } | sort
}

# loaded_module PROGRAM ARGUMENTS...: runs the program and prints the real path of the encoder module
# the loader brought in.
loaded_module() {
    local init
    init=$(LD_DEBUG=libs "$@" 2>&1 >/dev/null | sed -n 's/.*calling init: \(.*libbladeenc\.so\).*/\1/p' | head -1)
    [ -n "$init" ] || fail "'$*' loaded no encoder module"
    realpath -m "$init"
}

# check_programs ROOT PREFIX: runs the programs installed under ROOT/PREFIX on the installed demo.
check_programs() {
    local root=$1 prefix=$2
    local bin=$root$prefix/bin examples=$root$prefix/share/tressel/examples
    [ "$("$bin/tressel-cli" --version)" = "tressel-cli $version" ] || fail "$bin/tressel-cli --version"
    [ "$(QT_QPA_PLATFORM=offscreen "$bin/tressel" --version 2>/dev/null)" = "tressel $version" ] ||
        fail "$bin/tressel --version"
    "$bin/tressel-cli" fir "$examples/filters/hum-50hz.txt" "$examples/demo-speech.wav" "$work/clean.wav" ||
        fail "the installed tressel-cli could not filter the demo"
    local module
    module=$(loaded_module "$bin/tressel-cli" encode "$work/clean.wav" "$work/clean.mp3")
    [ "$module" = "$root$prefix/lib/tressel/libbladeenc.so" ] || fail "encode loaded $module"
    "$bin/tressel-cli" info "$work/clean.mp3" 2>/dev/null | grep -qx "SamplesPerSecond: 44100" ||
        fail "the MP3 file the installed programs wrote does not decode"
    rm -f "$work/clean.wav" "$work/clean.mp3"
}

# check_desktop_files ROOT PREFIX
check_desktop_files() {
    desktop-file-validate "$1$2/share/applications/$app_id.desktop" || fail "desktop-file-validate"
    appstreamcli validate --no-net "$1$2/share/metainfo/$app_id.metainfo.xml" >/dev/null ||
        fail "appstreamcli validate: $(appstreamcli validate --no-net "$1$2/share/metainfo/$app_id.metainfo.xml")"
}

# 1. A staged install: exactly the expected files, run paths relative to the programs, programs that
# find their own module inside the staging folder.
stage=$work/stage
DESTDIR=$stage cmake --install "$build" --prefix /usr/local >/dev/null
diff <(expected_files /usr/local) <(cd "$stage" && find . -type f | sed 's/^\.//' | sort) ||
    fail "the staged install holds other files than expected (< expected, > found)"
for program in tressel tressel-cli; do
    rpath=$(readelf -d "$stage/usr/local/bin/$program" | sed -n 's/.*R\(UN\)\{0,1\}PATH.*\[\(.*\)\]/\2/p')
    [ "$rpath" = '$ORIGIN/../lib/tressel' ] || fail "$program has run path '$rpath'"
done
check_programs "$stage" /usr/local
check_desktop_files "$stage" /usr/local
echo "check-install: staged install under /usr/local: files, run paths, programs and desktop files fine"

# 2. The Debian package, installed by apt as a user would.
if dpkg-query -W -f='${Status}' tressel 2>/dev/null | grep -q 'install ok installed'; then
    fail "a tressel package is installed already; remove it first (apt-get remove tressel)"
fi
rm -f "$build"/tressel_*.deb
cmake --build "$build" --target package >"$work/cpack.log" 2>&1 || fail "make package: $(cat "$work/cpack.log")"
deb=$(realpath "$build"/tressel_"$version"_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libmp3lame0 libc6 libqt6svg6; do
    grep -q "$library" <<<"$depends" || fail "the package does not depend on $library: $depends"
done
diff <(expected_files /usr) <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' | sort) ||
    fail "the package holds other files than expected (< expected, > found)"
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null 2>"$work/apt.log" ||
    fail "apt-get install: $(cat "$work/apt.log")"
package_installed=true
check_programs "" /usr
check_desktop_files "" /usr
"${sudo_cmd[@]}" apt-get purge -y -qq tressel >/dev/null
package_installed=false
# Purged rather than removed: CPack's ldconfig scripts would otherwise keep the package known to dpkg.
! dpkg-query -W tressel >/dev/null 2>&1 || fail "the package is still known to dpkg after the purge"
[ ! -e /usr/bin/tressel-cli ] || fail "removing the package left /usr/bin/tressel-cli"
echo "check-install: $(basename "$deb") installs, runs and removes cleanly; Depends: $depends"
