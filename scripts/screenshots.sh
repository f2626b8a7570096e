#!/usr/bin/env bash
# Saves PNGs of the operator window's states into a folder (default: screenshots/
# under the build folder) so anyone can look at them without a display.
#   scripts/screenshots.sh [BUILD_DIR] [OUTPUT_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
out="${2:-$build/screenshots}"
cmake --build "$build" --target ui_screenshots -j2
build="$(cd "$build" && pwd)"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
cd "$out" # the program's log file lands here, not in the source tree
# A virtual X display: the offscreen platform cannot grab a software-rendered window.
QT_QPA_PLATFORM=xcb QT_QUICK_BACKEND=software LANG=C.UTF-8 Z3_LOG= Z3_LOG_PATH= \
    xvfb-run -a -s "-screen 0 1280x800x24" "$build/tests/ui_screenshots.d/ui_screenshots" "$out"
