#!/usr/bin/env bash
# splicer's bash completion, driven as bash drives it.
#   completion_test.sh COMPLETION_SCRIPT SPLICER EXAMPLES_DIR
set -u
script=$1 splicer=$2 examples=$3
# shellcheck source=/dev/null
source "$script"
failures=0

# complete WORDS... : COMPREPLY for the last word, one per line, sorted.
complete_line() {
  COMP_WORDS=("$splicer" "$@")
  COMP_CWORD=$#
  COMPREPLY=()
  _splicer "$splicer" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}" | sort
}

expect() {
  local want=$1 got
  shift
  got=$(complete_line "$@")
  if [[ $got != "$want" ]]; then
    echo "FAIL: splicer $* -> [${got//$'\n'/ }], expected [${want//$'\n'/ }]"
    ((failures++))
  fi
}

cd "$examples/.." || exit 1
expect $'--help\n--version\ninfo\njoin' ""
expect "join" jo
expect $'--help\n--max-faces\n--names\n--resources-anywhere' info --
expect "examples" info exa
expect "examples/boxes.obj" join examples/bo
expect $'Left\nRight' join examples/boxes.obj ""
expect "Right" join examples/boxes.obj Left R
expect "Right" join --accuracy 0.1 examples/boxes.obj Left ""
expect "" join examples/boxes.obj Left Right ""
# An assembly: more scene files, then names not given yet; none after --all.
expect "examples/boxes.obj" join examples/boxes.obj examples/bo
expect "Right" join examples/boxes.obj examples/boxes.obj Left ""
expect "examples" join --all examples/boxes.obj exa
expect "" join --all examples/boxes.obj Le
expect "" join no-such.obj ""
expect "--output" join examples/boxes.obj Left Right --ou
expect "" join examples/boxes.obj --accuracy ""
expect "" join examples/boxes.obj --max-faces ""
expect $'Left\nRight' join --max-faces 9 examples/boxes.obj ""
expect $'Left\nRight' join --report r.json examples/boxes.obj ""

# Every option the program's own --help lists is offered, with nothing else.
for command in info join; do
  want=$("$splicer" "$command" --help | grep -oE '^ +(-[a-z],)?--[a-z][a-z-]*' | grep -oE -- '-[-a-z]+' | sort)
  expect "$want" "$command" -
done
expect "--strict" join examples/boxes.obj Left Right --st
expect "--resources-anywhere" info --res

# Scene files of every format the program names, in any case; nothing else.
files=$(mktemp -d)
trap 'rm -rf "$files"' EXIT
touch "$files/a.obj" "$files/b.GLB" "$files/c.gltf" "$files/d.ply" "$files/e.Stl" "$files/f.mtl" "$files/g.json"
mkdir "$files/sub"
cd "$files" || exit 1
expect $'a.obj\nb.GLB\nc.gltf\nd.ply\ne.Stl\nsub' info ""
expect $'a.obj\nb.GLB\nc.gltf\nd.ply\ne.Stl\nsub' join x.obj A B -o ""
expect $'g.json\nsub' join x.obj A B --report ""

if ((failures)); then exit 1; fi
echo "completion: all cases pass"
