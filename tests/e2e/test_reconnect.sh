#!/usr/bin/env bash
# A simulator that was replaced or stuck is a device plugged back: the connection-lost window
# goes within a few seconds of a server answering again, and the whole mix is sent again. The
# orders: unplugged and then replaced, stopped and continued, replaced while plugged.
source "$(dirname "$0")/lib.sh"
# A stopped simulator takes no SIGTERM: continue it before the cleanup stops it.
trap 'kill -CONT "${E2E_PIDS[@]}" 2>/dev/null || true; e2e_cleanup' EXIT
e2e_start
start_devsim
DEVSIM_PID=${E2E_PIDS[-1]}
start_control
main_window

stop_devsim() {
  kill -TERM "$DEVSIM_PID"
  wait "$DEVSIM_PID" 2>/dev/null || true
}
restart_devsim() {
  stop_devsim
  start_devsim
  DEVSIM_PID=${E2E_PIDS[-1]}
}

lost_shown() { wait_until 5 window_shown "^FireWire Connection Lost$" || fail "$1: no connection-lost window"; }

# expect_back STEP: the window goes and the mix reaches the device that answers now.
expect_back() {
  wait_until 3 window_gone "^FireWire Connection Lost$" || fail "$1: connection-lost window stays"
  for reg in 85 86 112 111 64 84; do
    wait_until 3 writes_match "^$reg 0x" || fail "$1: register $reg not sent again"
  done
  [ "$(devsim writes | wc -l)" -ge 30 ] || fail "$1: the mix was not sent again"
}

devsim unplug >/dev/null
lost_shown "unplugged"
sleep 2
restart_devsim
expect_back "unplugged, then replaced"

devsim writes --clear >/dev/null
kill -STOP "$DEVSIM_PID"
lost_shown "stopped"
sleep 1
kill -CONT "$DEVSIM_PID"
expect_back "stopped, then continued"

stop_devsim
lost_shown "stopped for good"
start_devsim
DEVSIM_PID=${E2E_PIDS[-1]}
expect_back "replaced while plugged"
echo PASS
