#!/usr/bin/env bash
# Opens the module's two windows on a virtual X server and saves PNGs of
# them into an artifacts directory (default: build/artifacts).
#   scripts/screenshots.sh [BUILD_DIR] [ARTIFACTS_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=${2:-$build/artifacts}
if [[ ! -x $build/tests/ui/ui_xcb_tests ]]; then
  cmake --build "$build" -j2 --target ui_xcb_tests
fi
mkdir -p "$out"
SPLICER_ARTIFACTS=$out QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tests/ui/ui_xcb_tests"
ls -1 "$out"/*.png
