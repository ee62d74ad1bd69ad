# Sourced by the end-to-end scripts: a reader process that hangs, and
# Ctrl-C sent to a run once that reader has started.

# Writes WORK/slow-reader, which marks WORK/reading and then hangs.
make_slow_reader() {
  printf '#!/bin/sh\ntouch "%s/reading"\nexec sleep 30\n' "$1" >"$1/slow-reader" && chmod +x "$1/slow-reader"
}

# Sends Ctrl-C to PID (a child of the calling shell) once its reader runs
# (a slow start under a sanitizer included) and waits for it; sets rc to
# its exit status and seconds to how long the stop took.
interrupt_reading() {
  local work=$1 pid=$2 started
  for _ in $(seq 100); do [ -e "$work/reading" ] && break; sleep 0.1; done
  rm -f "$work/reading"
  kill -INT "$pid"
  started=$(date +%s)
  wait "$pid"
  rc=$?
  seconds=$(($(date +%s) - started))
}
