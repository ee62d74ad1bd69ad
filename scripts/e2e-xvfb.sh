#!/usr/bin/env bash
# Runs a program under a virtual X server; exit 77 (skipped) without one.
set -euo pipefail
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "xvfb-run is not installed: skipping $*" >&2
  exit 77
fi
exec env QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
