#!/usr/bin/env bash
# Everything CI runs: set-up, the full build with every test, the module
# built with plain Makefiles (its resources must be linked with any
# generator), the engine, host and tool tests once more under
# AddressSanitizer and UndefinedBehaviorSanitizer, then a short fuzzing run
# of the OBJ reader.
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=${JOBS:-2}

bash scripts/setup.sh

echo "== build and test (default) =="
cmake --preset default >/dev/null
cmake --build --preset default -j"$JOBS"
ctest --preset default

echo "== plain Makefile build: the module carries its resources =="
cmake --preset make >/dev/null
cmake --build --preset make -j"$JOBS" --target module_tests
ctest --preset make -R '^ModuleLoad\.'

echo "== build and test (ASan + UBSan) =="
cmake --preset asan >/dev/null
cmake --build --preset asan -j"$JOBS"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --preset asan

if [[ -f scripts/fuzz-smoke.sh ]]; then
  echo "== fuzz smoke run =="
  bash scripts/fuzz-smoke.sh
fi
