#!/usr/bin/env bash
# `splicer join --seam` end to end: SPLICER SOURCE_DIR WORK_DIR.
set -u
splicer=$1 src=$2 work=$3
rm -rf "$work" && mkdir -p "$work"
fail() { echo "FAIL: $*"; cat "$work/stderr" 2>/dev/null; exit 1; }

"$splicer" join "$src/tests/data/split/homer_ngon_tri.obj" head body --seam -o "$work/joined.obj" \
  --report "$work/report.json" 2>"$work/stderr"
rc=$?
[ $rc -eq 0 ] || fail "exit $rc"
[ "$(grep -c '^v ' "$work/joined.obj")" -eq 6540 ] || fail "not 6540 vertices"
[ "$(grep -c '^f ' "$work/joined.obj")" -eq 12538 ] || fail "not 12538 faces"
grep -q '"error": 0' "$work/report.json" || fail "report without error 0"

# Boxes touching at one face: the contact join is the plug-in's join.
"$splicer" join "$src/examples/boxes.obj" Left Right --face -o "$work/plain.obj" 2>>"$work/stderr" || fail "plain join"
"$splicer" join "$src/examples/boxes.obj" Left Right --seam -o "$work/seam.obj" 2>>"$work/stderr" || fail "seam join"
cmp -s <(grep -v '^mtllib' "$work/plain.obj") <(grep -v '^mtllib' "$work/seam.obj") || fail "boxes differ"
echo "ok: seam"
