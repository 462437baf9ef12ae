#!/usr/bin/env bash
# A second copy is refused with its message and writes no settings file.
source "$(dirname "$0")/lib.sh"
e2e_start
start_devsim
start_control
main_window
first=$CONTROL_PID
"$MIROVAN_CONTROL" >>"$E2E_DIR/second.log" 2>&1 &
second=$!
E2E_PIDS+=($second)
wait_until 10 window_shown "^Error$" || fail "no refusal message"
screenshot refused >/dev/null
box=$(visible_window "^Error$")
xdotool windowfocus --sync "$box"
xdotool key Return
gone() { ! kill -0 "$second" 2>/dev/null; }
wait_until 10 gone || fail "the second copy keeps running"
status=0
wait "$second" || status=$?
[ "$status" -ne 0 ] || fail "the refused copy reported success"
[ ! -e "$SETTINGS" ] || fail "the refused copy wrote the settings file"
kill -0 "$first" || fail "the first copy ended"
echo PASS
