#!/usr/bin/env bash
# `tsxhost --render` end to end: TSXHOST SOURCE_DIR WORK_DIR. Ctrl-C stops
# it at once with nothing written; on a terminal it tells how far it is.
set -u
tsxhost=$1 src=$2 work=$3
rm -rf "$work" && mkdir -p "$work"
fail() { echo "FAIL: $*"; cat "$work/stderr" 2>/dev/null; exit 1; }
export QT_QPA_PLATFORM=offscreen

# Ctrl-C while a scene is read (a reader that would hang): exit 4 within
# seconds, the old picture left as it was.
. "$src/tests/support/interrupt.sh"
make_slow_reader "$work"
cp "$src/tests/data/formats/figure.glb" "$work/figure.glb"
echo "old picture" >"$work/out.png"
SPLICER_ASSET_READER="$work/slow-reader" "$tsxhost" --render "$work/figure.glb" --out "$work/out.png" \
  2>"$work/stderr" &
interrupt_reading "$work" $!
[ "$rc" -eq 4 ] || fail "exit $rc after Ctrl-C, not 4"
[ "$seconds" -le 3 ] || fail "Ctrl-C took more than 3 s"
grep -qx "error: interrupted (Ctrl-C) while reading $work/figure.glb; nothing written" "$work/stderr" \
  || fail "no error line"
[ "$(cat "$work/out.png")" = "old picture" ] || fail "the old picture was replaced"

# On a terminal: how far reading has got, on one line cleared at the end;
# the picture written whole, no temporary left.
python3 - "$tsxhost" "$src/examples/boxes.obj" "$work/boxes.png" >"$work/terminal" 2>"$work/stderr" <<'PY' \
  || fail "under a terminal"
import os, pty, sys
pid, fd = pty.fork()
if pid == 0:
    os.execv(sys.argv[1], [sys.argv[1], "--render", sys.argv[2], "--out", sys.argv[3]])
out = b""
while True:
    try:
        data = os.read(fd, 4096)
    except OSError:
        break
    if not data:
        break
    out += data
_, status = os.waitpid(pid, 0)
sys.stdout.write(out.decode("utf-8", "replace"))
sys.exit(os.waitstatus_to_exitcode(status))
PY
grep -q "reading .*boxes.obj [0-9]*%" "$work/terminal" || fail "no progress: $(cat -v "$work/terminal")"
case "$(cat "$work/terminal")" in *$'\r\033[K') ;; *) fail "the progress line is not cleared: $(cat -v "$work/terminal")" ;; esac
python3 -c 'import sys; sys.exit(open(sys.argv[1], "rb").read(8) != b"\x89PNG\r\n\x1a\n")' "$work/boxes.png" \
  || fail "no picture"
ls -a "$work" | grep -q 'splicer-tmp' && fail "a temporary file was left"
echo "ok"
