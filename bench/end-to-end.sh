#!/usr/bin/env bash
# `splicer info` (reading alone) and `splicer join` (read, join, write) on the
# generated two-bar scenes, one run each: wall, user and system seconds,
# minor page faults and peak memory, from /usr/bin/time.
# Usage: bench/end-to-end.sh [BUILD_DIR] [FACES...]   (defaults: build, 10k..2M)
set -euo pipefail
build=${1:-build}
shift || true
sizes=("$@")
[[ ${#sizes[@]} -gt 0 ]] || sizes=(10002 100002 1000002 2000002)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

measure() {  # label, command...
  local label=$1
  shift
  /usr/bin/time -f "%e %U %S %R %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" ||
    { echo "$label failed:"; cat "$work/err"; return 1; }
  read -r wall user sys faults rss <"$work/time"
  printf '%-8s %-7s %8s s wall %7s s user %7s s sys %9s faults %7d MB peak\n' \
    "$faces" "$label" "$wall" "$user" "$sys" "$faults" $((rss / 1024))
}

for faces in "${sizes[@]}"; do
  "$build/bench/splicer_make_bars" "$faces" "$work/scene.obj"
  measure info "$build/apps/splicer/splicer" info "$work/scene.obj"
  measure join "$build/apps/splicer/splicer" join "$work/scene.obj" A B -o "$work/out.obj"
  rm -f "$work"/scene.* "$work"/out.*
done
