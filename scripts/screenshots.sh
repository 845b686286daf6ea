#!/bin/sh
# Renders the README's screenshots from the real windows into docs/.
set -eu
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build build/default --target tressel_screenshots
QT_FONT_DPI=96 QT_QPA_PLATFORM=offscreen build/default/bin/tressel_screenshots docs
