#!/usr/bin/env bash
# The hand-over of desktop documents under faults: a running copy that takes the connection
# but never replies lets the second process go within seconds, reporting failure; a copy
# that was killed leaves its socket behind, and the next copy serves in its place and takes
# it away at exit.
source "$(dirname "$0")/lib.sh"
e2e_start
start_devsim
start_control
first=$CONTROL_PID
main_window
socket=$XDG_RUNTIME_DIR/mirovan-control.sock
[ -S "$socket" ] || fail "the running copy has no hand-over socket"
[ "$(stat -c %a "$XDG_RUNTIME_DIR")" = 700 ] || fail "the socket's folder is open to others"
# Anything but a mix file: its load ends in an error box, which shows where it was loaded.
junk=$E2E_DIR/junk.mvle
echo "not a mix" >"$junk"

kill -STOP "$first"
LIMIT=12 second_copy "$junk"
kill -CONT "$first"
[ "$STATUS" != 0 ] || fail "the second process reported success to a stopped copy"
grep -q "did not take the file" "$E2E_DIR/second.log" || fail "no reason given for giving up"
# Once it runs again the stopped copy may still take the file and show its box; killing it
# takes the box away too.
kill -KILL "$first"
wait "$first" 2>/dev/null || true
[ -S "$socket" ] || fail "the killed copy left no socket (the premise of this test)"
start_control
main_window
second_copy "$junk"
[ "$STATUS" = 0 ] || fail "the copy after a crash was not reached ($STATUS)"
wait_until 10 window_shown "^Error$" || fail "the copy after a crash did not load the file"
xdotool windowfocus --sync "$(visible_window "^Error$")"
xdotool key Return
wait_until 10 window_gone "^Error$" || fail "the error box stays open"

main_window
"$MIROVAN_CLOSE_WINDOW" "$WIN"
wait_until 10 gone || fail "closing the window did not end the program"
[ ! -e "$socket" ] || fail "the socket outlived the program"
echo PASS
