#!/usr/bin/env bash
# `cmake --install` into a fresh prefix, the tree moved elsewhere, then used
# from there: the programs (the asset reader process among them), the module found by tsxhost, the manual pages,
# and the host library from another program through its CMake package and
# through pkg-config.
#   install_tree_test.sh CMAKE BUILD_DIR SOURCE_DIR WORK_DIR VERSION
set -euo pipefail
cmake=$1 build=$2 src=$3 work=$4 version=$5
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work" && mkdir -p "$work"
"$cmake" --install "$build" --prefix "$work/staged" >/dev/null
mv "$work/staged" "$work/moved"
root=$work/moved
example=$root/share/doc/splicer-bot/examples/boxes.obj

[[ $("$root/bin/splicer" --version) == "splicer $version" ]] || fail "splicer --version"
"$root/bin/splicer" join "$example" Left Right -o "$work/joined.obj" 2>"$work/join.err" \
  || fail "join: $(cat "$work/join.err")"
[[ $(grep -c '^f ' "$work/joined.obj") -eq 10 ]] || fail "the joined box has not 10 faces"
# glTF is read by the installed reader process, found beside the library.
"$root/bin/splicer" join "$example" Left Right -o "$work/joined.glb" 2>"$work/join.err" \
  || fail "join to glTF: $(cat "$work/join.err")"
"$root/bin/splicer" info "$work/joined.glb" >"$work/info.out" 2>&1 || fail "glTF read back: $(cat "$work/info.out")"
grep -q '^Left+Right ' "$work/info.out" || fail "the joined glTF: $(cat "$work/info.out")"
for page in splicer tsxhost; do
  gzip -dc "$root/share/man/man1/$page.1.gz" | grep -q '^\.TH' || fail "no manual page $page(1)"
done
[[ -s $root/share/bash-completion/completions/splicer ]] || fail "no bash completion"

if [[ -x $root/bin/tsxhost ]]; then
  [[ $("$root/bin/tsxhost" --version) == "tsxhost $version" ]] || fail "tsxhost --version"
  help=$("$root/bin/tsxhost" --help | tr -d '\n ')
  [[ $help == *"(default:${root// /}/"*"/SPL0020.tsx)"* ]] || fail "tsxhost's module is not the installed one"
  QT_QPA_PLATFORM=offscreen "$root/bin/tsxhost" --render "$example" --out "$work/boxes.png"
  [[ -s $work/boxes.png ]] || fail "no picture"
fi

expected=$'Left 6\nRight 6'
"$cmake" -S "$src/tests/install/consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$root" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
"$cmake" --build "$work/consumer" >/dev/null
[[ $("$work/consumer/consumer" "$example") == "$expected" ]] || fail "CMake consumer"

pc_dir=$(dirname "$(find "$root" -name tsxapi.pc)")
flags=$(PKG_CONFIG_PATH=$pc_dir pkg-config --cflags --libs tsxapi)
libdir=$(PKG_CONFIG_PATH=$pc_dir pkg-config --variable=libdir tsxapi)
# shellcheck disable=SC2086  # the flags are words
c++ -std=c++20 "$src/tests/install/consumer/consumer.cpp" $flags -Wl,-rpath,"$libdir" \
  -o "$work/pc-consumer"
[[ $("$work/pc-consumer" "$example") == "$expected" ]] || fail "pkg-config consumer"
echo "install tree: moved, used, linked against"
