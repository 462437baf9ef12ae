#!/usr/bin/env bash
# Figures of the running program under Xvfb with the simulated device (not a test):
# time from start to the first painted window, CPU per second while idle with metering on
# and off, resident memory. Usage: measure.sh [SECONDS-OF-IDLE]
source "$(dirname "$0")/lib.sh"
idle=${1:-10}
e2e_start
start_devsim

painted() {
  local win shot
  win=$(visible_window "^ MirovanControl LE$")
  [ -n "$win" ] || return 1
  shot=$E2E_DIR/first.png
  import -window root -crop 764x392+0+25 "$shot" 2>/dev/null || return 1
  brighter "$(convert "$shot" -colorspace Gray -format '%[fx:mean]' info:)" 0.05
}

t0=$(date +%s%N)
start_control
wait_until 20 painted || fail "no painted window"
t1=$(date +%s%N)
echo "start to first painted window: $(( (t1 - t0) / 1000000 )) ms (screenshot polling included)"

cpu_ms() { awk '{ print ($14 + $15) * 1000 / '"$(getconf CLK_TCK)"' }' "/proc/$CONTROL_PID/stat"; }
measure_idle() {
  sleep 1
  local a b
  a=$(cpu_ms); sleep "$idle"; b=$(cpu_ms)
  echo "idle CPU with metering $1: $(awk -v a="$a" -v b="$b" -v s="$idle" 'BEGIN { printf "%.1f ms per second (%.2f%%)", (b - a) / s, (b - a) / s / 10 }')"
  echo "resident memory with metering $1: $(awk '/VmRSS/ { print $2 " kB" }' "/proc/$CONTROL_PID/status")"
}
measure_idle on

# Help > Use Metering switches it off.
xdotool mousemove 20 12 click 1
sleep 0.5
xdotool key Up Return
sleep 0.5
measure_idle off
