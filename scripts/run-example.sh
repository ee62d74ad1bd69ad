#!/usr/bin/env bash
# The main job on the bundled example: join the two boxes of
# examples/boxes.obj and show the scene before and after.
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=${JOBS:-2}

bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$JOBS" --target splicer
mkdir -p out

SPLICER=build/apps/splicer/splicer
echo "== the example scene =="
"$SPLICER" info examples/boxes.obj
echo "== join Left and Right =="
"$SPLICER" join examples/boxes.obj Left Right -o out/boxes-joined.obj \
  --report out/boxes-report.json
"$SPLICER" join examples/boxes.obj Left Right -o out/boxes-scene.obj --scene >/dev/null
echo "== the result =="
"$SPLICER" info out/boxes-joined.obj
echo "report: out/boxes-report.json"

if cmake --build --preset default -j"$JOBS" --target tsxhost >/dev/null 2>&1; then
  HOST=build/apps/tsxhost/tsxhost
  QT_QPA_PLATFORM=offscreen "$HOST" --render examples/boxes.obj --out out/boxes-before.png
  # The scene with the new object added and selected (outlined).
  QT_QPA_PLATFORM=offscreen "$HOST" --render out/boxes-scene.obj --select Left+Right --out out/boxes-after.png
  echo "pictures: out/boxes-before.png out/boxes-after.png"
fi
