#!/usr/bin/env bash
# `splicer join` end to end: CASE SPLICER SOURCE_DIR WORK_DIR.
set -u
case_name=$1 splicer=$2 src=$3 work=$4
rm -rf "$work" && mkdir -p "$work"
fail() { echo "FAIL: $*"; cat "$work/stderr" 2>/dev/null; exit 1; }

case $case_name in
  success)
    "$splicer" join "$src/examples/boxes.obj" Left Right --face -o "$work/joined.obj" \
      --report "$work/report.json" >"$work/stdout" 2>"$work/stderr"
    rc=$?
    [ $rc -eq 0 ] || fail "exit $rc"
    [ -s "$work/joined.mtl" ] || fail "no MTL beside the result"
    [ "$(grep -c '^v ' "$work/joined.obj")" -eq 12 ] || fail "not 12 vertices"
    [ "$(grep -c '^f ' "$work/joined.obj")" -eq 10 ] || fail "not 10 faces"
    grep -q '"error": 0' "$work/report.json" || fail "report without error 0"
    grep -q '"steps_estimate"' "$work/report.json" || fail "report without the estimate"
    [ "$(cat "$work/stdout")" = "joined Left and Right at faces 5 and 4 (4 corners, largest gap 0): 12 vertices, 10 faces -> $work/joined.obj" ] \
      || fail "summary line: $(cat "$work/stdout")"
    grep -q '^warning\|^hint' "$work/stderr" && fail "warning or hint for two boxes"
    python3 - "$work/report.json" <<'PY' || fail "report fields"
import json, sys
r = json.load(open(sys.argv[1]))
assert r["junction"] == {"face_a": 5, "face_b": 4, "corner_a": 0, "corner_b": 0, "corners": 4, "max_gap": 0}, r["junction"]
assert r["seam"] == {"dropped_faces": [1, 1], "welded_vertices": 4, "touching_face_pairs_left": 0,
                     "coinciding_vertex_pairs_left": 0}, r["seam"]
assert not [k for k in r if k != k.lower()], sorted(r)
assert r["hint"] is None
assert r["steps_estimate"] == 135, r["steps_estimate"]  # 2*8 + 3*8 + 4 + 4 + 3*6 + 6*6 + 6*6 - 3
PY
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
    "$splicer" join "$work/apart.obj" Near Far --face -o "$work/joined.obj" --report "$work/report.json" \
      2>"$work/stderr"
    rc=$?
    [ $rc -eq 4 ] || fail "exit $rc, not 4"
    grep -q '^error: SPL : 06 - Faces (Junction) not found.$' "$work/stderr" || fail "no message 06"
    [ ! -e "$work/joined.obj" ] && [ ! -e "$work/joined.mtl" ] || fail "a file was written"
    grep -q '"error": -1006' "$work/report.json" || fail "report without error -1006"
    # Welding across half an edge would change the boxes, not close a gap.
    grep -q '^hint: the objects do not touch face to face: no face of one lies on a face of the other at the accuracy 0.01; the nearest, faces 1 and 0 (4 corners), are at most 0.5 apart, and welding them would move corners by more than a tenth of their shortest edge (1)$' \
      "$work/stderr" || fail "no hint line"
    grep -q '"kind": "apart"' "$work/report.json" || fail "report without the hint"
    # 0.05 apart: a tenth of the edge, the accuracy is hinted and joins.
    sed 's/^v 1.5 /v 1.05 /' "$work/apart.obj" >"$work/near.obj"
    "$splicer" join "$work/near.obj" Near Far --face -o "$work/joined.obj" 2>"$work/stderr"
    grep -q '^hint: faces 1 and 0 (4 corners) come nearest, at most 0.05 apart: try --accuracy 0.05$' "$work/stderr" \
      || fail "no accuracy hinted: $(cat "$work/stderr")"
    "$splicer" join "$work/near.obj" Near Far --face -o "$work/joined.obj" --accuracy 0.05 >/dev/null 2>"$work/stderr" \
      || fail "the hinted accuracy does not join"
    grep -q '^warning: the largest gap (0.05) is more than half the accuracy (0.05)' "$work/stderr" \
      || fail "no warning of the gap: $(cat "$work/stderr")"
    ;;
  incomplete-seam)
    # Two squares, each cut into two triangles, on each other: the plain join
    # welds one triangle pair and leaves the other.
    {
      echo "o A"; echo "v 0 0 0"; echo "v 0 1 0"; echo "v 0 1 1"; echo "v 0 0 1"; echo "v -1 0 0"
      echo "f 1 2 3"; echo "f 1 3 4"; echo "f 5 2 1"
      echo "o B"; echo "v 0 0 0"; echo "v 0 1 0"; echo "v 0 1 1"; echo "v 0 0 1"; echo "v 1 0 0"
      echo "f 6 8 7"; echo "f 6 9 8"; echo "f 10 6 7"
    } >"$work/caps.obj"
    "$splicer" join "$work/caps.obj" A B --face -o "$work/joined.obj" --report "$work/report.json" \
      >"$work/stdout" 2>"$work/stderr" || fail "plain join failed"
    grep -q '^joined A and B at faces [01] and [01] (3 corners, largest gap 0): 7 vertices, 4 faces -> ' "$work/stdout" \
      || fail "summary: $(cat "$work/stdout")"
    grep -q '^warning: the seam is incomplete: 1 more face pair touches, 1 vertex pair coincides unwelded; join without --face to join the whole seam$' \
      "$work/stderr" || fail "no warning"
    grep -q '"touching_face_pairs_left": 1' "$work/report.json" || fail "report without the seam left"
    python3 -c 'import json,sys; s=json.load(open(sys.argv[1]))["seam"]; assert (s["dropped_faces"], s["welded_vertices"]) == ([1, 1], 3), s' \
      "$work/report.json" || fail "one triangle pair's counts"
    rm -f "$work/joined.obj"
    "$splicer" join "$work/caps.obj" A B --face -o "$work/joined.obj" --strict --report "$work/report.json" \
      >"$work/stdout" 2>"$work/stderr"
    rc=$?
    [ $rc -eq 4 ] || fail "--strict exit $rc, not 4"
    [ ! -e "$work/joined.obj" ] || fail "--strict wrote the result"
    grep -q '^warning: the seam is incomplete' "$work/stderr" || fail "--strict without the warning"
    grep -q '"coinciding_vertex_pairs_left": 1' "$work/report.json" || fail "--strict without the report"
    "$splicer" join "$work/caps.obj" A B -o "$work/joined.obj" --seam --strict >"$work/stdout" 2>"$work/stderr" \
      || fail "--seam --strict failed"
    [ "$(cat "$work/stdout")" = "joined A and B along their contact (2 touching face pairs, 4 vertices welded, open inputs: 10 open edges before, 4 after): 6 vertices, 2 faces -> $work/joined.obj" ] \
      || fail "seam summary: $(cat "$work/stdout")"
    grep -q '^warning' "$work/stderr" && fail "a warning after the seam join"
    ;;
  refusals)
    # Whatever cannot end well stops before the join, says why once, writes
    # nothing, and still writes the report (exit 2, 3 and 4 alike).
    cp "$src/examples/boxes.obj" "$work/scene.obj"
    cp "$work/scene.obj" "$work/before.obj"
    report() { python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); print(r["error"], r["exit_status"], r["join_ran"])' "$work/r.json"; }
    run() { rm -f "$work/r.json"; "$splicer" join "$@" --report "$work/r.json" >"$work/stdout" 2>"$work/stderr"; echo $?; }
    [ "$(run "$work/scene.obj" Left Right -o "$work/scene.obj")" = 2 ] || fail "-o the input not refused"
    cmp -s "$work/scene.obj" "$work/before.obj" || fail "the input changed"
    [ "$(report)" = "usage 2 False" ] || fail "report: $(report)"
    grep -q '^error: .*is an input file' "$work/stderr" || fail "no reason given"
    [ "$(run "$work/scene.obj" Left Right -o "$work/nowhere/x.obj")" = 3 ] || fail "missing folder not refused"
    grep -q '^error: cannot write ".*/nowhere/x.obj": folder ".*/nowhere": No such file or directory$' "$work/stderr" \
      || fail "missing folder: $(cat "$work/stderr")"
    [ "$(report)" = "file 3 False" ] || fail "report: $(report)"
    [ "$(run "$work/scene.obj" Left Right -o "$work/before.obj/x.obj")" = 3 ] || fail "a file as folder not refused"
    [ "$(run "$work/scene.obj" Left Right -o "$work/x.fbx")" = 2 ] || fail "unknown extension not refused"
    [ "$(run "$work/scene.obj" Left Right -o "$work/x.mtl")" = 2 ] || fail "-o x.mtl not refused"
    [ "$(run "$work/scene.obj" Left Right)" = 2 ] || fail "missing -o"
    [ "$(report)" = "usage 2 False" ] || fail "usage error report: $(report)"
    rm -f "$work/r.json"
    "$splicer" join "$work/scene.obj" Left Right -o "$work/out.obj" --report "$work/scene.obj" 2>"$work/stderr"
    [ $? -eq 2 ] || fail "--report over the input not refused"
    cmp -s "$work/scene.obj" "$work/before.obj" || fail "the report overwrote the input"
    # The same object twice: one message (05), no second one from the join button.
    [ "$(run "$work/scene.obj" Left Left --face -o "$work/out.obj")" = 4 ] || fail "same object twice"
    [ "$(grep -c '^error:' "$work/stderr")" -eq 1 ] || fail "not one message: $(cat "$work/stderr")"
    grep -q '^error: SPL : 05 ' "$work/stderr" || fail "not message 05"
    [ "$(report)" = "-1005 4 False" ] || fail "report: $(report)"
    ls "$work" | grep -q '^out\.' && fail "a file was written"
    # With --scene, the input may be written back whole.
    [ "$(run "$work/scene.obj" Left Right -o "$work/scene.obj" --scene)" = 0 ] || fail "--scene over the input"
    [ "$(grep -c '^o ' "$work/scene.obj")" -eq 3 ] || fail "--scene over the input lost objects"
    ls -a "$work" | grep -q '^\.scene' && fail "a temporary file was left"
    ;;
  write-plan)
    # Every file a run writes is checked against every file it reads and
    # against each other, by identity, before any work: exit 2, nothing
    # written, no input changed.
    cp "$src/examples/boxes.obj" "$src/examples/boxes.mtl" "$work/"
    cp "$work/boxes.mtl" "$work/mtl.before"
    cd "$work" || fail "cd"
    "$splicer" join boxes.obj Left Right -o out.obj --report ./out.obj 2>"$work/stderr"
    [ $? -eq 2 ] || fail "--report ./out.obj over -o out.obj not refused"
    [ ! -e out.obj ] && [ ! -e out.mtl ] || fail "a file was written"
    grep -q '^error: the output "out.obj" and the report "./out.obj" are one file$' "$work/stderr" \
      || fail "report over output: $(cat "$work/stderr")"
    "$splicer" join boxes.obj Left Right -o out.obj --report boxes.mtl 2>"$work/stderr"
    [ $? -eq 2 ] || fail "--report over the scene's material library not refused"
    cmp -s boxes.mtl mtl.before || fail "the material library changed"
    grep -q 'would overwrite "[^"]*boxes.mtl" (a material library of the scene)' "$work/stderr" \
      || fail "report over library: $(cat "$work/stderr")"
    # A glTF scene whose buffer is shared.bin: -o shared.gltf would write it.
    "$splicer" join boxes.obj Left Right -o tmp.gltf --scene 2>"$work/stderr" || fail "writing the glTF scene"
    sed 's/"tmp.bin"/"shared.bin"/' tmp.gltf >model.gltf && mv tmp.bin shared.bin && rm tmp.gltf
    cp shared.bin bin.before
    "$splicer" join model.gltf Left Right -o shared.gltf 2>"$work/stderr"
    [ $? -eq 2 ] || fail "-o over the input's buffer not refused"
    cmp -s shared.bin bin.before || fail "the input's buffer changed"
    grep -q '^error: "shared.bin" (the output.s buffer) is an input file ("shared.bin", a file the scene refers to)' \
      "$work/stderr" || fail "buffer message: $(cat "$work/stderr")"
    "$splicer" join model.gltf Left Right -o out.gltf --report out.bin 2>"$work/stderr"
    [ $? -eq 2 ] || fail "--report over the output's buffer not refused"
    [ ! -e out.gltf ] && [ ! -e out.bin ] || fail "a file was written"
    # The glTF joins as ever when nothing clashes (along the seam: its faces
    # are triangles, and one pair alone would leave a wall).
    "$splicer" join model.gltf Left Right -o joined.gltf --seam 2>"$work/stderr" || fail "glTF join: $(cat "$work/stderr")"
    # An output that is a folder: refused before the join, its MTL untouched.
    mkdir folder.obj && echo "old" >folder.mtl
    "$splicer" join boxes.obj Left Right -o folder.obj 2>"$work/stderr"
    [ $? -eq 3 ] || fail "-o a folder not refused"
    [ "$(cat folder.mtl)" = old ] || fail "the MTL beside a folder output was replaced"
    ls -a | grep -q 'splicer-tmp' && fail "a temporary file was left"
    ;;
  accuracy)
    # Accuracies the engine cannot compare in are usage errors before any
    # work; one below its resolution is said, not quietly widened.
    for bad in -1 -0.001 nan inf 1e12 2147483.5; do
      rm -f "$work/r.json"
      "$splicer" join "$src/examples/boxes.obj" Left Right -o "$work/out.obj" --accuracy "$bad" \
        --report "$work/r.json" >"$work/stdout" 2>"$work/stderr"
      rc=$?
      [ $rc -eq 2 ] || fail "--accuracy $bad: exit $rc, not 2"
      [ "$(grep -c '^error: --accuracy must' "$work/stderr")" -eq 1 ] || fail "--accuracy $bad: $(cat "$work/stderr")"
      [ "$(python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); print(r["error"], r["join_ran"])' "$work/r.json")" = "usage False" ] \
        || fail "--accuracy $bad: report"
      ls "$work" | grep -q '^out\.' && fail "--accuracy $bad: a file was written"
    done
    grep -q '^error: --accuracy must be at most 2147483, since distances are compared in whole thousandths (got 2147483.5)$' \
      "$work/stderr" || fail "the bound is not named: $(cat "$work/stderr")"
    "$splicer" join "$src/examples/boxes.obj" Left Right -o "$work/out.obj" --accuracy 2147483 >/dev/null 2>"$work/stderr" \
      || fail "the largest accuracy refused"
    "$splicer" join "$src/examples/boxes.obj" Left Right -o "$work/out.obj" --accuracy 0.0002 >/dev/null 2>"$work/stderr" \
      || fail "a small accuracy refused"
    grep -q '^warning: --accuracy 0.0002 is below the resolution of the join (0.0005): .* corners less than 0.0005 apart count as coinciding$' \
      "$work/stderr" || fail "no warning below the resolution: $(cat "$work/stderr")"
    "$splicer" join "$src/examples/boxes.obj" Left Right -o "$work/out.obj" --accuracy 0.0005 >/dev/null 2>"$work/stderr" \
      || fail "the resolution refused"
    grep -q '^warning' "$work/stderr" && fail "a warning at the resolution"
    ;;
  info-table)
    # Names of different lengths (one past the old 20 columns, one with a
    # two-byte letter) and counts of different widths: every column lines up.
    {
      echo "o a_rather_long_object_name_of_33"
      printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\nf 1 3 4\nf 1 4 2\nf 2 4 3\n'
      echo "o Kühler"
      for i in $(seq 0 1099); do echo "v $i 0 0"; done
      printf 'vt 0 0\nf -1 -2 -3\nf -4 -5 -6\nf -7 -8 -9\n'
    } >"$work/names.obj"
    "$splicer" info "$work/names.obj" >"$work/stdout" 2>"$work/stderr" || fail "info failed"
    python3 - "$work/stdout" <<'PY' || fail "table: $(cat "$work/stdout")"
import sys
lines = open(sys.argv[1], encoding="utf-8").read().splitlines()
header, long, short = lines[1], lines[2], lines[3]
assert long.startswith("a_rather_long_object_name_of_33  polyhedron"), long
assert short.startswith("Kühler" + " " * 25 + "  polyhedron"), short
# Counts end where their headings end; the positions start together.
for word in ("vertices", "uvs", "faces"):
    end = header.index(word) + len(word)
    assert long[end - 1] != " " and long[end] == " ", (word, long)
    assert short[end - 1] != " " and short[end] == " ", (word, short)
assert long.split()[2:5] == ["4", "0", "4"], long
assert short.split()[2:5] == ["1100", "1", "3"], short
assert header.index("axes position") == long.index("(") == short.index("("), lines
PY
    ;;
  interrupt)
    # Ctrl-C while the scene is read (a reader that would hang): an error,
    # exit 4, nothing written but the report, for two objects and for an
    # assembly of several files.
    . "$src/tests/support/interrupt.sh"
    make_slow_reader "$work"
    cp "$src/tests/data/formats/figure.glb" "$work/a.glb" && cp "$work/a.glb" "$work/b.glb"
    for words in "a.glb Head Body" "a.glb b.glb --all"; do
      # shellcheck disable=SC2086
      (cd "$work" && SPLICER_ASSET_READER="$work/slow-reader" exec "$splicer" join $words -o out.obj \
        --report report.json) 2>"$work/stderr" &
      interrupt_reading "$work" $!
      [ "$rc" -eq 4 ] || fail "$words: exit $rc after Ctrl-C, not 4"
      [ "$seconds" -le 3 ] || fail "$words: Ctrl-C took more than 3 s"
      grep -q '^error: interrupted (Ctrl-C) while reading a.glb; nothing written$' "$work/stderr" \
        || fail "$words: no error line"
      [ ! -e "$work/out.obj" ] && [ ! -e "$work/out.mtl" ] || fail "$words: a result was written"
      python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); assert r["error"]=="interrupted" and r["exit_status"]==4, r' \
        "$work/report.json" || fail "$words: report"
    done
    ;;
  sides)
    # What users read about each side, on objects that differ: a box of 6
    # quads with UVs and a long box of triangles (its contact face a quad
    # in one file, two triangles in the other). Either order names, counts
    # and numbers the sides in the order given.
    data="$src/tests/data/join"
    counts() {  # REPORT FIRST_V FIRST_F SECOND_V SECOND_F
      python3 - "$@" <<'PY'
import json, sys
r = json.load(open(sys.argv[1]))
want = [int(a) for a in sys.argv[2:]]
c = r["counts"]
got = [c["first"]["vertices"], c["first"]["faces"], c["second"]["vertices"], c["second"]["faces"]]
assert got == want, (got, want)
assert (c["result"]["vertices"], c["result"]["faces"]) == (12, 15), c["result"]
PY
    }
    run() { "$splicer" join "$@" -o "$work/out.obj" --report "$work/report.json" >"$work/stdout" 2>"$work/stderr"; }
    run "$data/small-long-split.obj" Small Long || fail "contact join"
    [ "$(cat "$work/stdout")" = "joined Small and Long along their contact (2 touching face pairs, 4 vertices welded, sealed): 12 vertices, 15 faces -> $work/out.obj" ] \
      || fail "summary: $(cat "$work/stdout")"
    counts "$work/report.json" 8 6 8 12 || fail "counts Small Long"
    run "$data/small-long-split.obj" Long Small || fail "contact join swapped"
    grep -q '^joined Long and Small along' "$work/stdout" || fail "swapped summary: $(cat "$work/stdout")"
    counts "$work/report.json" 8 12 8 6 || fail "counts Long Small"
    run "$data/small-long.obj" Small Long --face || fail "face join"
    grep -q '^joined Small and Long at faces 3 and 10 (4 corners, largest gap 0): 12 vertices, 15 faces' "$work/stdout" \
      || fail "face summary: $(cat "$work/stdout")"
    run "$data/small-long.obj" Long Small --face || fail "face join swapped"
    grep -q '^joined Long and Small at faces 10 and 3 ' "$work/stdout" || fail "swapped face summary: $(cat "$work/stdout")"
    counts "$work/report.json" 8 11 8 6 || fail "counts Long Small --face"
    # No single face pair where the contact face is two triangles: refused
    # with the faces that do touch named in the hint, nothing written.
    rm -f "$work/out.obj"
    run "$data/small-long-split.obj" Long Small --face
    rc=$?
    [ $rc -eq 4 ] || fail "exit $rc, not 4"
    [ ! -e "$work/out.obj" ] || fail "a result was written"
    grep -qx 'error: SPL : 06 - Faces (Junction) not found.' "$work/stderr" || fail "no error 06"
    grep -q '^hint: .*faces 10 and 3 lie on each other, 2 face pairs in all' "$work/stderr" || fail "hint"
    ;;
  report-counts)
    # A cube of quads against one of triangles: what each side lost is in
    # the report, per side, in the order the objects are named.
    python3 - "$work/cubes.obj" <<'PY'
import sys
faces = [(0, 4, 6, 2), (1, 3, 7, 5), (0, 1, 5, 4), (2, 6, 7, 3), (0, 2, 3, 1), (4, 5, 7, 6)]
with open(sys.argv[1], "w") as out:
    for name, x0, tris in (("Quads", 0, False), ("Tris", 1, True)):
        base = 8 if tris else 0
        out.write(f"o {name}\n")
        for z in (0, 1):
            for y in (0, 1):
                for x in (0, 1):
                    out.write(f"v {x + x0} {y} {z}\n")
        for f in faces:
            i = [base + k + 1 for k in f]
            out.write(f"f {i[0]} {i[1]} {i[2]}\nf {i[0]} {i[2]} {i[3]}\n" if tris else f"f {' '.join(map(str, i))}\n")
PY
    counts() { python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); s=r["seam"]; print(s and (s["dropped_faces"], s["welded_vertices"]))' "$work/r.json"; }
    "$splicer" join "$work/cubes.obj" Quads Tris -o "$work/j.obj" --report "$work/r.json" >/dev/null 2>"$work/stderr" \
      || fail "contact join"
    [ "$(counts)" = "([1, 2], 4)" ] || fail "Quads Tris: $(counts)"
    "$splicer" join "$work/cubes.obj" Tris Quads -o "$work/j.obj" --report "$work/r.json" >/dev/null 2>"$work/stderr" \
      || fail "contact join swapped"
    [ "$(counts)" = "([2, 1], 4)" ] || fail "Tris Quads: $(counts)"
    # The plug-in's join finds no corner-on-corner pair here: no seam, no
    # junction, and no field of the old report's style.
    "$splicer" join "$work/cubes.obj" Quads Tris --face -o "$work/j.obj" --report "$work/r.json" >/dev/null 2>"$work/stderr"
    [ $? -eq 4 ] || fail "--face joined"
    python3 - "$work/r.json" <<'PY' || fail "failed join's report"
import json, sys
r = json.load(open(sys.argv[1]))
assert r["error"] == -1006 and r["seam"] is None and r["junction"] is None, r
assert not [k for k in r if k != k.lower()], sorted(r)
PY
    ;;
  all-or-nothing)
    # The report of a success is written with the output, both or neither:
    # files over 700 bytes cannot be written, the result (under 500) could,
    # the report (over 700) cannot; nothing is replaced, for two objects
    # and for an assembly.
    cd "$work" || fail "cd"
    cp "$src/examples/boxes.obj" "$src/examples/boxes.mtl" .
    limited() { python3 -c 'import os,resource,sys; resource.setrlimit(resource.RLIMIT_FSIZE, (700, 700)); os.execv(sys.argv[1], sys.argv[1:])' "$splicer" "$@"; }
    for words in "Left Right" "--all"; do
      echo "old result" >out.obj && echo "old library" >out.mtl && echo "old report" >r.json
      # shellcheck disable=SC2086
      limited join boxes.obj $words -o out.obj --report r.json >stdout 2>"$work/stderr"
      rc=$?
      [ $rc -eq 3 ] || fail "$words: exit $rc, not 3"
      [ "$(cat out.obj)" = "old result" ] && [ "$(cat out.mtl)" = "old library" ] || fail "$words: the result was replaced"
      [ "$(cat r.json)" = "old report" ] || fail "$words: the report was replaced"
      grep -q '^error: r.json: cannot write the file: File too large$' "$work/stderr" || fail "$words: $(cat "$work/stderr")"
      ls -a | grep -q 'splicer-tmp' && fail "$words: a temporary file was left"
      [ -s stdout ] && fail "$words: success said: $(cat stdout)"
    done
    # A failure to write the result still gives the report of that failure,
    # and leaves the old result as it was.
    rm out.mtl && mkdir out.mtl
    "$splicer" join boxes.obj Left Right -o out.obj --report r.json >stdout 2>"$work/stderr"
    [ $? -eq 3 ] || fail "a folder in the library's place not refused"
    [ "$(cat out.obj)" = "old result" ] || fail "the result was replaced"
    python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); assert (r["error"], r["exit_status"], r["join_ran"]) == ("file", 3, True) and r["error_message"].endswith("out.mtl: cannot write the file: Is a directory"), r' \
      r.json || fail "failure report: $(cat r.json)"
    # Written, both are replaced.
    rmdir out.mtl
    "$splicer" join boxes.obj --all -o out.obj --report r.json >stdout 2>"$work/stderr" || fail "assembly join"
    [ "$(grep -c '^f ' out.obj)" -eq 10 ] && [ -s out.mtl ] || fail "no result"
    python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); assert r["exit_status"] == 0 and r["seconds"]["total"] >= r["seconds"]["write"] > 0, r' \
      r.json || fail "success report: $(cat r.json)"
    ;;
  *) fail "unknown case $case_name" ;;
esac
echo "ok: $case_name"
