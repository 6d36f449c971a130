#!/usr/bin/env bash
# CPU time of the running window: starts pc-simulator on a private Xvfb
# (zoom 1, fresh settings), waits until its window is shown and has run for
# 3 s, then reads the process's user + system time over SECONDS (default 15)
# of wall time from /proc/PID/stat. Prints the share of one core. The X
# server's own work (drawing what the program sends) is not counted.
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

(cd "$work" && exec env HOME="$work" XDG_CONFIG_HOME="$work/config" DISPLAY="$display" QT_QPA_PLATFORM=xcb \
  "$program_path" 2>/dev/null) &
program=$!
build/tests/window_capture "$display" "PC Simulator" 3000 "$work/shown.png"

ticks=$(getconf CLK_TCK)
read -r u0 s0 < <(awk '{print $14, $15}' "/proc/$program/stat")
t0=$(date +%s.%N)
sleep "$seconds"
read -r u1 s1 < <(awk '{print $14, $15}' "/proc/$program/stat")
t1=$(date +%s.%N)
python3 - "$u0" "$s0" "$u1" "$s1" "$t0" "$t1" "$ticks" <<'PY'
import sys
u0, s0, u1, s1 = map(int, sys.argv[1:5]); t0, t1 = map(float, sys.argv[5:7]); hz = int(sys.argv[7])
cpu = ((u1 - u0) + (s1 - s0)) / hz
print(f"window at zoom 1: {cpu:.2f} s CPU in {t1 - t0:.1f} s = {100 * cpu / (t1 - t0):.2f} % of one core "
      f"(user {(u1 - u0) / hz:.2f} s, system {(s1 - s0) / hz:.2f} s)")
PY
