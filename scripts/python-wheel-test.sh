#!/usr/bin/env bash
# The Python module as a user installs it: the wheel built with Debian's
# setuptools, installed into a fresh virtual environment (with the system's
# site packages, for NumPy), and from there: the pytest suite against the
# installed module (not the build folder), mypy on the package's stub and
# the examples, stubtest of the stub against the compiled module, and the
# README's Python section run exactly as written.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
python=/usr/bin/python3
work=$root/build/wheel
rm -rf "$work/dist" "$work/venv"
mkdir -p "$work"

$python -m pip wheel . --no-build-isolation --no-deps --wheel-dir "$work/dist" >"$work/build.log" 2>&1 ||
  { tail -40 "$work/build.log"; exit 1; }
wheel=$(echo "$work"/dist/splicer_bot-*.whl)
echo "wheel: ${wheel#"$root"/} ($(du -k "$wheel" | cut -f1) KiB)"
$python -m venv --system-site-packages "$work/venv"
venv_python=$work/venv/bin/python
"$work/venv/bin/pip" install --quiet --no-index --no-deps "$wheel"

# From outside the checkout, so that nothing of the source tree is imported.
cd "$work"
"$venv_python" -c "import splicer; print('installed:', splicer.__version__, splicer.__file__)"
SPLICER_EXPECT_IN="$work/venv" SPLICER_EXAMPLES="$root/examples" SPLICER_TEST_DATA="$root/tests/data" \
  SPLICER_CLI="$root/build/apps/splicer/splicer" \
  "$venv_python" -m pytest -q -p no:cacheprovider "$root/python/tests"

installed=$("$venv_python" -c "import os, splicer; print(os.path.dirname(splicer.__file__))")
"$venv_python" -m mypy --config-file "$root/pyproject.toml" --cache-dir "$work/mypy-cache" \
  "$installed" "$root/examples/dask_joins.py" "$root/examples/plot_join.py"
"$venv_python" -m mypy.stubtest --mypy-config-file "$root/pyproject.toml" \
  --allowlist "$root/python/stubtest-allowlist.txt" splicer._splicer

# The README's Python examples, from the checkout as the README says.
cd "$root"
"$venv_python" - <<'PY'
import pathlib, re, subprocess, sys
text = pathlib.Path("README.md").read_text()
section = text.split("\n## The Python module\n", 1)[1].split("\n## ", 1)[0]
blocks = re.findall(r"```python\n(.*?)```", section, re.S)
assert blocks, "no Python examples in the README's Python section"
pathlib.Path("out").mkdir(exist_ok=True)
for number, code in enumerate(blocks, 1):
    print(f"README Python example {number}")
    subprocess.run([sys.executable, "-W", "error::DeprecationWarning", "-c", code], check=True)
PY
