#!/usr/bin/env bash
# Leftover lock files do not refuse a start; a second copy is refused with its message and
# writes no settings file; copies started together or while the running copy ends hand their
# files over without one, whatever their environments hold, and are refused at once where
# they cannot reach the running copy.
source "$(dirname "$0")/lib.sh"
e2e_start
start_devsim
# What a crash or a power cut leaves behind keeps no start out: an empty lock file, and the
# lock file of an earlier version whose pid a live process that is no copy has now, which the
# start removes.
mkdir -m 700 -p "$SETTINGS_FOLDER"
: >"$SETTINGS_FOLDER/mirovan-control.lock"
earlier_lock=$HOME/MirovanControlLE-$(id -un).lock
printf '%d\0' $$ >"$earlier_lock"
start_control
main_window
window_gone "^Error$" || fail "a leftover lock file refused the start"
[ ! -e "$earlier_lock" ] || fail "the lock file of an earlier version was kept"
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

# handed_over WHAT: the last start handed the mix over and succeeded.
handed_over() { [ "$STATUS" = 0 ] || fail "a start $1 did not hand its file over ($STATUS)"; }
# Later starts find the running copy whatever their runtime folder: unset, missing, 0755, a link.
mkdir -m 755 "$E2E_DIR/open"
ln -s "$XDG_RUNTIME_DIR" "$E2E_DIR/link"
for runtime in "" "$E2E_DIR/missing" "$E2E_DIR/open" "$E2E_DIR/link"; do
  (
    if [ -n "$runtime" ]; then export XDG_RUNTIME_DIR=$runtime; else unset XDG_RUNTIME_DIR; fi
    second_copy "$mix"
    handed_over "with XDG_RUNTIME_DIR=$runtime"
  )
done
socket=$SETTINGS_FOLDER/mirovan-control.sock
# Where no copy can answer, as something else is in the way of the socket, a start is refused
# at once; once the way is free, the running copy listens again and takes the file.
rm "$socket"
: >"$socket"
started=$(date +%s%N)
"$MIROVAN_CONTROL" "$mix" >>"$E2E_DIR/second.log" 2>&1 &
blocked=$!
E2E_PIDS+=($blocked)
wait_until 10 window_shown "^Error$" || fail "no refusal where the running copy cannot be reached"
elapsed=$(( ($(date +%s%N) - started) / 1000000 ))
[ "$elapsed" -lt 4000 ] || fail "the refusal took $elapsed ms"
xdotool windowfocus --sync "$(visible_window "^Error$")"
xdotool key Return
if wait "$blocked"; then fail "the refused start reported success"; fi
rm "$socket"
wait_until 5 test -S "$socket" || fail "the running copy does not listen again"
second_copy "$mix"
handed_over "once the socket was free again"
# A copy answers although the start takes a lock: its lock file was removed, or it is of an
# earlier version, which listens in the runtime folder and holds no lock of this kind.
rm "$SETTINGS_FOLDER/mirovan-control.lock"
second_copy "$mix"
handed_over "after the lock file was removed"
ln "$socket" "$XDG_RUNTIME_DIR/mirovan-control.sock"
(
  export XDG_CONFIG_HOME=$E2E_DIR/other-config
  second_copy "$mix"
  handed_over "beside a copy of an earlier version"
)
rm "$XDG_RUNTIME_DIR/mirovan-control.sock"
echo PASS
