#!/usr/bin/env bash
# CPU time of the running window: starts pc-simulator on a private Xvfb
# (zoom 1, fresh settings), waits until its window is shown and has run for
# 3 s, then reads the CPU time of each of its threads over SECONDS (default
# 15) of wall time. Prints the share of one core, in all and per thread
# (the window's thread, then the device's application and tick threads,
# which the program names). The X server's own work (drawing what the
# program sends) is not counted. EXTRA_ENV adds environment settings.
#
#   bench/window_cpu.sh [SECONDS] [PROGRAM]
#
# PROGRAM defaults to build/host/pc-simulator (built first); another one,
# for example an older build, can be given to compare.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-15}
cmake --build build -j2 --target pc-simulator window_capture >/dev/null
program_path=$(realpath "${2:-build/host/pc-simulator}")

work=$(mktemp -d)
cleanup() {
  [ -n "${program:-}" ] && kill "$program" 2>/dev/null && wait "$program" 2>/dev/null || true
  [ -n "${server:-}" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1400x1100x24 -nolisten tcp -noreset >/dev/null 2>&1 &
server=$!
read -r -t 10 number <&"$fd"
display=":$number"

(cd "$work" && exec env HOME="$work" XDG_CONFIG_HOME="$work/config" DISPLAY="$display" QT_QPA_PLATFORM=xcb ${EXTRA_ENV:-} \
  "$program_path" 2>/dev/null) &
program=$!
build/tests/window_capture "$display" "PC Simulator" 3000 "$work/shown.png"

# Each thread's time on a CPU in ns, from the scheduler's own account
# (/proc/PID/task/TID/schedstat), which is exact where the user and system
# times of /proc/PID/stat are sampled at the clock tick.
sample() {
  for task in /proc/"$program"/task/*; do
    printf '%s %s %s\n' "${task##*/}" "$(tr ' ' _ <"$task/comm")" "$(cut -d' ' -f1 "$task/schedstat")"
  done
}
before=$(sample)
t0=$(date +%s.%N)
sleep "$seconds"
after=$(sample)
t1=$(date +%s.%N)
python3 - "$t0" "$t1" "$before" "$after" <<'PY'
import sys
t0, t1 = map(float, sys.argv[1:3])
def parse(text):
    return {tid: (name, int(ns)) for tid, name, ns in (line.split() for line in text.splitlines())}
before, after = parse(sys.argv[3]), parse(sys.argv[4])
wall = t1 - t0
threads = [(name, (ns - before.get(tid, (name, 0))[1]) / 1e9) for tid, (name, ns) in after.items()]
cpu = sum(t for _, t in threads)
print(f"window at zoom 1: {cpu:.3f} s CPU in {wall:.1f} s = {100 * cpu / wall:.2f} % of one core")
for name, t in sorted(threads, key=lambda x: -x[1]):
    if t > 0:
        print(f"  {name:<16} {100 * t / wall:.2f} %")
PY
