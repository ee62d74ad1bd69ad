#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the tools
# need. Non-interactive and idempotent: packages already there are skipped.
set -euo pipefail

PACKAGES=(
  # toolchain and build
  g++ clang cmake ninja-build make binutils pkg-config python3 git
  # manual pages (Markdown to roff); the Debian package (cpack's shlibdeps)
  go-md2man gzip dpkg-dev file
  # tests, benchmarks, fuzzing (libFuzzer comes with clang's runtime)
  libgtest-dev libgmock-dev libbenchmark-dev libclang-rt-14-dev
  # command-line parsing, JSON reports, SHA-256 of result dumps
  libcli11-dev nlohmann-json3-dev libssl-dev
  # exact geometry for the contact join
  libcgal-dev libgmp-dev libmpfr-dev
  # glTF, PLY and STL in and out
  libassimp-dev
  # exact geometric predicates
  libcgal-dev
  # the Python module and its tests (for Debian's /usr/bin/python3)
  python3-dev python3-pybind11 pybind11-dev python3-numpy python3-pytest
  # its wheel (pip, setuptools, wheel, venv), the stub's type check, and
  # the examples (Dask's local cluster, matplotlib's picture)
  python3-pip python3-setuptools python3-wheel python3-venv mypy
  python3-dask python3-distributed python3-matplotlib
  # Qt 6 Widgets for the windows and the host program; X server for
  # real-window tests; the fonts the layouts name
  qt6-base-dev qt6-base-dev-tools libqt6test6 libgl-dev
  xvfb xauth fonts-liberation2 fonts-ipafont-gothic
  # a locale whose decimal mark is a comma, for the test that files read
  # the same in it
  locales
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi

if ((${#missing[@]} == 0)); then
  echo "setup: all ${#PACKAGES[@]} packages present"
else
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  echo "setup: done"
fi

if ! locale -a 2>/dev/null | grep -qix 'de_DE.utf8'; then
  echo "setup: making the de_DE.UTF-8 locale"
  $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
