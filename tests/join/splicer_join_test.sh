#!/usr/bin/env bash
# `splicer join` end to end: CASE SPLICER SOURCE_DIR WORK_DIR.
set -u
case_name=$1 splicer=$2 src=$3 work=$4
rm -rf "$work" && mkdir -p "$work"
fail() { echo "FAIL: $*"; cat "$work/stderr" 2>/dev/null; exit 1; }

case $case_name in
  success)
    "$splicer" join "$src/examples/boxes.obj" Left Right -o "$work/joined.obj" \
      --report "$work/report.json" 2>"$work/stderr"
    rc=$?
    [ $rc -eq 0 ] || fail "exit $rc"
    [ -s "$work/joined.mtl" ] || fail "no MTL beside the result"
    [ "$(grep -c '^v ' "$work/joined.obj")" -eq 12 ] || fail "not 12 vertices"
    [ "$(grep -c '^f ' "$work/joined.obj")" -eq 10 ] || fail "not 10 faces"
    grep -q '"error": 0' "$work/report.json" || fail "report without error 0"
    grep -q '"steps_estimate"' "$work/report.json" || fail "report without the estimate"
    "$splicer" join "$src/examples/boxes.obj" Left Right -o "$work/scene.obj" --scene 2>>"$work/stderr" \
      || fail "--scene failed"
    [ "$(grep -c '^o ' "$work/scene.obj")" -eq 3 ] || fail "--scene did not write three objects"
    ;;
  missing-name)
    "$splicer" join "$src/examples/boxes.obj" Left Nowhere -o "$work/joined.obj" 2>"$work/stderr"
    rc=$?
    [ $rc -eq 2 ] || fail "exit $rc, not 2"
    grep -q '^error: .*Nowhere.*"Left".*"Right"' "$work/stderr" || fail "names not listed"
    [ ! -e "$work/joined.obj" ] || fail "a file was written"
    ;;
  no-junction)
    # Two unit boxes half a unit apart.
    {
      for name in Near Far; do
        x0=0; [ $name = Far ] && x0=1.5
        x1=$(awk "BEGIN{print $x0 + 1}")
        base=0; [ $name = Far ] && base=8
        echo "o $name"
        for z in 0 1; do for y in 0 1; do for x in $x0 $x1; do echo "v $x $y $z"; done; done; done
        for f in "1 5 7 3" "2 4 8 6" "1 2 6 5" "3 7 8 4" "1 3 4 2" "5 6 8 7"; do
          line="f"; for i in $f; do line="$line $((i + base))"; done; echo "$line"
        done
      done
    } >"$work/apart.obj"
    "$splicer" join "$work/apart.obj" Near Far -o "$work/joined.obj" --report "$work/report.json" \
      2>"$work/stderr"
    rc=$?
    [ $rc -eq 4 ] || fail "exit $rc, not 4"
    grep -q '^error: SPL : 06 - Faces (Junction) not found.$' "$work/stderr" || fail "no message 06"
    [ ! -e "$work/joined.obj" ] && [ ! -e "$work/joined.mtl" ] || fail "a file was written"
    grep -q '"error": -1006' "$work/report.json" || fail "report without error -1006"
    ;;
  *) fail "unknown case $case_name" ;;
esac
echo "ok: $case_name"
