#!/usr/bin/env bash
# A short fuzzing run of each file reader of ours (libFuzzer, clang), for
# CI: the OBJ reader, then the host's half of glTF/PLY/STL reading (the
# reader process's answer, decoded and built into objects). The seed is
# fixed so that a CI run is repeatable; FUZZ_SEED=0 picks one at random,
# for exploring by hand. FUZZ_LIBRARY=1 also fuzzes the asset library's
# own readers in-process: not ours, known to crash, so not part of CI.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_TO_RUN=${FUZZ_SECONDS:-30}
targets=(obj_reader_fuzz asset_stream_fuzz)
if [[ ${FUZZ_LIBRARY:-0} == 1 ]]; then targets+=(asset_library_fuzz asset_resources_fuzz); fi
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"${JOBS:-2}" --target "${targets[@]}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run() {  # harness, seed folder, longest input
  mkdir -p "$work/$1"
  cp "$2"/* "$work/$1"/
  build-fuzz/fuzz/"$1" -seed="${FUZZ_SEED:-1}" -max_total_time="$SECONDS_TO_RUN" -max_len="$3" \
    -timeout="${FUZZ_TIMEOUT:-1200}" "$work/$1" 2>&1 | tail -n 3
}
run obj_reader_fuzz fuzz/corpus 4096
run asset_stream_fuzz fuzz/corpus-asset-stream 8192
if [[ ${FUZZ_LIBRARY:-0} == 1 ]]; then
  # The library keeps a partly built scene on some damaged files.
  LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan-assets.supp" run asset_library_fuzz fuzz/corpus-assets 8192
  # What a glTF file refers to, under the reader's rules; a hang is a failure.
  mkdir -p "$work/resources-seed" && printf '\0\1\2\3\4\5\6\7' >"$work/resources-seed/seed"
  LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan-assets.supp" FUZZ_TIMEOUT=5 run asset_resources_fuzz "$work/resources-seed" 64
fi
