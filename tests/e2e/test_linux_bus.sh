#!/usr/bin/env bash
# The whole program on the real device's path, against the emulated kernel: without a
# simulator socket it finds the MirovanLE on the FireWire bus at start, a click reaches its
# register through /dev/fwN, a bus reset passes unseen, unplugging shows the connection-lost
# window and plugging back (on a new node, or on the same one after a quick re-plug) reopens
# the device and sends the whole mix again.
source "$(dirname "$0")/lib.sh"
if [ -z "${MIROVAN_TESTBED:-}" ]; then
  echo "SKIPPED: the emulated kernel was not built (umockdev is missing)"
  exit 77
fi
e2e_start

# The emulated kernel serves the device model on the simulator's socket, for the checks; the
# program is not told of that socket and takes the FireWire bus.
"$MIROVAN_TESTBED" >"$E2E_DIR/testbed.out" 2>"$E2E_DIR/testbed.log" &
TESTBED_PID=$!
E2E_PIDS+=($TESTBED_PID)
wait_until 10 test -s "$E2E_DIR/testbed.out" || {
  status=0
  wait "$TESTBED_PID" || status=$?
  if [ "$status" = 77 ]; then echo "SKIPPED: $(cat "$E2E_DIR/testbed.log")"; exit 77; fi
  fail "the emulated kernel did not start: $(cat "$E2E_DIR/testbed.log")"
}
testbed_root=$(head -1 "$E2E_DIR/testbed.out")
LD_PRELOAD=libumockdev-preload.so.0 UMOCKDEV_DIR=$testbed_root MIROVANLE_SIM_SOCKET= \
  start_control
main_window
grep -q "using the MirovanLE on the FireWire bus" "$E2E_DIR/control.log" ||
  fail "the program does not say it uses the FireWire bus"

lost_gone() { wait_until "$1" window_gone "^FireWire Connection Lost$"; }
# mix_sent STEP [REGISTER...]: the mixer's registers have reached the device since the last
# clear, and so have the settings registers given.
mix_sent() {
  local step=$1 reg
  shift
  for reg in 87 88 89 "$@"; do
    wait_until 10 writes_match "^$reg 0x" || fail "$step: register $reg was not sent"
  done
  [ "$(devsim writes | wc -l)" -ge 30 ] || fail "$step: the mix was not sent whole"
}
# The registers of the settings the mixer registers do not carry, sent when the device comes
# back.
settings="85 86 112 111 64 84"
lost_gone 10 || fail "the device found at start is not opened"
mix_sent "at start"

# Mute outputs 1&2: the output word takes the mute bit through the node.
devsim writes --clear >/dev/null
click_panel 441 124
wait_until 5 writes_match '^87 0x.[2367ABEF]' || fail "the mute click did not reach register 87"

# Another device on the bus: requests fail for a moment, are retried, and the panel goes on.
devsim writes --clear >/dev/null
kill -USR1 "$TESTBED_PID"
sleep 1.5
window_gone "^FireWire Connection Lost$" || fail "a bus reset showed the connection-lost window"
click_panel 441 124
wait_until 5 writes_match '^87 0x.[014589CD]' || fail "after a bus reset the click did not arrive"

# Unplugged, then plugged back: a new node, the device opened again and the mix sent again.
devsim unplug >/dev/null
wait_until 10 window_shown "^FireWire Connection Lost$" || fail "unplugging shows no window"
devsim writes --clear >/dev/null
devsim plug >/dev/null
lost_gone 10 || fail "plugged back, the connection-lost window stays"
mix_sent "plugged back" $settings

# Pulled and plugged back at once, on the same node: the device may have lost its mix.
devsim writes --clear >/dev/null
kill -USR2 "$TESTBED_PID"
mix_sent "a quick re-plug" $settings
lost_gone 10 || fail "after a quick re-plug the connection-lost window stays"

# The program ends before the emulated kernel that serves its nodes.
close_main_window
echo PASS
