#!/bin/sh
# Renders the windows with a generated recording loaded and writes them as PNG files into FOLDER
# (default: docs/, the README's pictures). Runs on a virtual X display when Xvfb is there.
set -eu
cd "$(dirname "$0")/.."
folder="${1:-docs}"
mkdir -p "$folder"
cmake --preset default >/dev/null
cmake --build build/default --target tressel_screenshots
if command -v xvfb-run >/dev/null 2>&1; then
    QT_FONT_DPI=96 QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" \
        build/default/bin/tressel_screenshots "$folder"
else
    QT_FONT_DPI=96 QT_QPA_PLATFORM=offscreen build/default/bin/tressel_screenshots "$folder"
fi
