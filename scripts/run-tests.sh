#!/usr/bin/env bash
# Everything CI runs: set-up; the full build with every test (the install
# tree, moved and linked against, among them); the Python module's wheel,
# installed and tested in a fresh virtual environment; the Debian package; the
# module built with plain Makefiles (its resources must be linked with any
# generator); every test again under AddressSanitizer and
# UndefinedBehaviorSanitizer, the Qt windows, the module and tsxhost
# included; then a short fuzzing run of the OBJ reader and of the decoding
# of the asset reader process's answer.
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=${JOBS:-2}

stage_start=$SECONDS
stage() {
  if ((SECONDS > stage_start)); then echo "-- took $((SECONDS - stage_start)) s"; fi
  stage_start=$SECONDS
  echo "== $* =="
}

bash scripts/setup.sh

stage "build and test (default)"
cmake --preset default >/dev/null
cmake --build --preset default -j"$JOBS"
ctest --preset default

stage "Python wheel in a fresh virtual environment"
bash scripts/python-wheel-test.sh

stage "Debian package"
rm -rf build/package
# cpack warns that the module has no SONAME: a plug-in needs none.
(cd build && cpack -G DEB -B "$PWD/package" >cpack.log 2>&1) || { cat build/cpack.log; exit 1; }
deb=$(echo build/package/splicer-bot_*.deb)
dpkg-deb -f "$deb" Package Version Depends
contents=$(dpkg-deb -c "$deb")
for file in usr/bin/splicer usr/bin/tsxhost usr/lib/splicer-bot/SPL0020.tsx usr/libexec/splicer-bot/splicer-asset-reader \
    usr/include/tsxapi.h; do
  grep -q " \./$file\$" <<<"$contents" || { echo "error: $deb lacks /$file"; exit 1; }
done

stage "plain Makefile build: the module carries its resources"
cmake --preset make >/dev/null
cmake --build --preset make -j"$JOBS" --target module_tests
ctest --preset make -R '^ModuleLoad\.'

stage "build and test (ASan + UBSan)"
cmake --preset asan >/dev/null
cmake --build --preset asan -j"$JOBS"
ctest --preset asan

stage "fuzz smoke run"
bash scripts/fuzz-smoke.sh
stage "done"
