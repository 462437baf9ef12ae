#!/usr/bin/env bash
# A mix file named on the command line: a damaged one shows its error and the program starts
# all the same, and a signal under that error box ends it; a good one is loaded, also by a name
# that is not ASCII outside a UTF-8 locale; either way the exit writes the default settings
# file, never the named one.
source "$(dirname "$0")/lib.sh"
e2e_start
start_devsim

# A first run makes the mix to name later.
start_control
main_window
initial=$(mixer_regs)
drag_panel 531 105 160
changed() { [ "$(mixer_regs)" != "$initial" ]; }
wait_until 5 changed || fail "the fader changed no register"
wanted=$(mixer_regs)
close_main_window
named=$E2E_DIR/named.mvle
mv "$SETTINGS" "$named"
cp "$named" "$E2E_DIR/named.orig"

# One flipped byte in a value: the load refuses it with its error box.
corrupt=$E2E_DIR/corrupt.mvle
cp "$named" "$corrupt"
printf '\x55' | dd of="$corrupt" bs=1 seek=100 conv=notrunc status=none
devsim power-cycle >/dev/null
start_control "$corrupt"
wait_until 20 window_shown "^Error$" || fail "no error box for the damaged file"
screenshot corrupt >/dev/null
box=$(visible_window "^Error$")
kill -0 "$CONTROL_PID" || fail "the program ended under the error box"
xdotool windowfocus --sync "$box"
xdotool key Return
main_window
window_gone "FireWire Connection Lost" || fail "connection-lost window shown with the device present"
[ "$(mixer_regs)" != "$wanted" ] || fail "the damaged file changed the mix"
close_main_window
[ "$(stat -c %s "$SETTINGS")" = 324 ] || fail "no default settings file after the damaged file"

# Ended by a signal while that box is open, before start-up has finished: the program ends
# within seconds and writes the default settings file.
rm -f "$SETTINGS"
start_control "$corrupt"
wait_until 20 window_shown "^Error$" || fail "no error box for the damaged file"
kill -TERM "$CONTROL_PID"
wait_until 10 gone || fail "SIGTERM did not end the program under the error box of start-up"
[ "$(stat -c %s "$SETTINGS")" = 324 ] || fail "no default settings file after SIGTERM"

# The good file is loaded; the exit writes the default file and leaves the named one alone.
rm -f "$SETTINGS"
devsim power-cycle >/dev/null
start_control "$named"
main_window
restored() { [ "$(mixer_regs)" = "$wanted" ]; }
wait_until 10 restored || { diff <(echo "$wanted") <(mixer_regs) >&2; fail "the named file was not loaded"; }
screenshot loaded >/dev/null
close_main_window
cmp -s "$named" "$E2E_DIR/named.orig" || fail "the exit wrote the named file"
[ "$(stat -c %s "$SETTINGS")" = 324 ] || fail "the exit did not write the default settings file"

# A name that is not ASCII, given under LANG=C, is opened by the bytes given.
plain=$E2E_DIR/$(printf '\xc3\x9c')bung.mvle
cp "$named" "$plain"
devsim power-cycle >/dev/null
LANG=C LC_ALL=C start_control "$plain"
main_window
wait_until 10 restored || { diff <(echo "$wanted") <(mixer_regs) >&2; fail "the file named under LANG=C was not loaded"; }
close_main_window
echo PASS
