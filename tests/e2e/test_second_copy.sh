#!/usr/bin/env bash
# Leftover lock files do not refuse a start; a second copy is refused with its message and
# writes no settings file; copies started together or while the running copy ends hand their
# files over without one.
source "$(dirname "$0")/lib.sh"
e2e_start
start_devsim
# What a crash or a power cut leaves behind keeps no start out: an empty lock file, and one of
# an older version whose pid a live process has now.
: >"$XDG_RUNTIME_DIR/mirovan-control.lock"
echo $$ >"$HOME/MirovanControlLE-$(id -un).lock"
start_control
main_window
window_gone "^Error$" || fail "a leftover lock file refused the start"
first=$CONTROL_PID
"$MIROVAN_CONTROL" >>"$E2E_DIR/second.log" 2>&1 &
second=$!
E2E_PIDS+=($second)
wait_until 10 window_shown "^Error$" || fail "no refusal message"
screenshot refused >/dev/null
box=$(visible_window "^Error$")
xdotool windowfocus --sync "$box"
xdotool key Return
second_gone() { ! kill -0 "$second" 2>/dev/null; }
wait_until 10 second_gone || fail "the second copy keeps running"
status=0
wait "$second" || status=$?
[ "$status" -ne 0 ] || fail "the refused copy reported success"
[ ! -e "$SETTINGS" ] || fail "the refused copy wrote the settings file"
kill -0 "$first" || fail "the first copy ended"

# Copies that start together with mix files, as a file manager starts them, or while the
# running copy ends: one of them runs, every other hands its file over and succeeds, and
# none shows a box.
close_main_window
mix=$E2E_DIR/mix.mvle
mv "$SETTINGS" "$mix"
# start_copies: eight copies at once; CONTROL_PID becomes the one left running.
start_copies() {
  local pid copies=() running=()
  for _ in 1 2 3 4 5 6 7 8; do
    "$MIROVAN_CONTROL" "$mix" >>"$E2E_DIR/copies.log" 2>&1 &
    copies+=($!)
    E2E_PIDS+=($!)
  done
  one_left() { [ "$(ps -o stat= -p "${copies[*]}" | grep -vc '^Z')" = 1 ]; }
  wait_until 20 one_left || fail "$(ps -o stat= -p "${copies[*]}" | grep -vc '^Z') copies run"
  for pid in "${copies[@]}"; do
    if kill -0 "$pid" 2>/dev/null && [[ $(ps -o stat= -p "$pid") != Z* ]]; then
      CONTROL_PID=$pid
    else
      wait "$pid" || fail "a copy that handed its file over ended with $?"
    fi
  done
  window_gone "^Error$" || fail "a copy showed a box"
}
start_copies
main_window
kill -TERM "$CONTROL_PID"
start_copies
main_window
echo PASS
