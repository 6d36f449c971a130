#!/usr/bin/env bash
# Headless checks of the hello application, as a firmware project's CI runs
# them:
#   check.sh SIMULATOR PCSIM_TRACE            compare with golden/
#   check.sh SIMULATOR PCSIM_TRACE --update   rewrite golden/ instead
#
# 1. The hello page after 3 s, with F3 held from 0.5 s to 1.7 s (the hold
#    handler resets the count once): golden/hello.bmp.
# 2. The CAN page (F2 at 1 s) while CAN1 replays coolant.log, whose frame
#    120#5A comes 1.5 s after the port opened: golden/can.bmp, and the key
#    trace golden/keys.txt.
# 3. The --can-trace of run 2: our frame 0x310 every 100 ms, and its byte 2
#    echoing the coolant byte: FF before the replayed frame, 5A soon after.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
sim=${1:?usage: check.sh SIMULATOR PCSIM_TRACE [--update]}
trace_tool=${2:?usage: check.sh SIMULATOR PCSIM_TRACE [--update]}
update=${3:-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check.sh: $*" >&2; exit 1; }

# A screen against its reference, byte for byte (or the reference rewritten).
compare() {
  local name=$1
  if [ "$update" = --update ]; then
    cp "$work/$name" "$here/golden/$name"
    echo "updated golden/$name"
  elif ! cmp -s "$work/$name" "$here/golden/$name"; then
    # What the run gave, beside the caller, to look at or to diff.
    cp "$work/$name" "obtained-$name"
    case $name in *.txt) diff "$here/golden/$name" "obtained-$name" >&2 || true ;; esac
    fail "$name differs from golden/$name (this run's is obtained-$name)"
  fi
}

# A run's diagnostics (such as a missing adapter library) are shown only
# when it fails.
run() { # LOG ARGS...
  local log=$1
  shift
  "$sim" "$@" 2>"$work/$log.err" >"$work/$log.out" || { cat "$work/$log.err" >&2; fail "$sim $* failed"; }
}

run hello --headless --run-ms 3000 --root "$work/unit1" --press F3@500:1200 \
  --screenshot "$work/hello.bmp"
compare hello.bmp

"$trace_tool" convert --port 1 "$here/coolant.log" "$work/coolant.ctb" >/dev/null
run can --headless --run-ms 3000 --root "$work/unit2" --press F2@1000 \
  --can0 "replay:$work/coolant.ctb" --can-trace "$work/can.log" --trace-keys \
  --screenshot "$work/can.bmp"
compare can.bmp
grep -E '^[0-9]+ ' "$work/can.out" > "$work/keys.txt"
compare keys.txt

# The CAN trace: "(SECONDS) can0 ID#DATA R|T", one frame a line.
awk '
  $2 == "can0" && $3 ~ /^120#/ && $4 == "R" && !rx { rx = substr($1, 2) + 0 }
  $2 == "can0" && $3 ~ /^310#/ && $4 == "T" {
    t = substr($1, 2) + 0; echo = substr($3, 9, 2); n++
    if (n > 1 && (t - last < 0.0995 || t - last > 0.1005))
      { print "0x310 came " t - last " s after the one before"; bad = 1 }
    last = t
    if (!rx && echo != "FF") { print "0x310 at " t " echoes " echo " before any 0x120"; bad = 1 }
    if (rx && echo == "5A" && !first) first = t
    if (first && echo != "5A") { print "0x310 at " t " echoes " echo " after 5A"; bad = 1 }
  }
  END {
    if (n < 29) { print n " frames 0x310 in 3 s, not 29 or more"; bad = 1 }
    if (!rx) { print "the replayed 0x120 was not received"; bad = 1 }
    else if (!first || first - rx > 0.15) { print "no 0x310 echoed 5A within 150 ms of the 0x120"; bad = 1 }
    exit bad
  }' "$work/can.log" || fail "the CAN trace is not as expected (above); it was:
$(grep -E '120#|310#' "$work/can.log" | head -40)"

echo "check.sh: all checks passed"
