#!/usr/bin/env bash
# Closing the window saves the default settings file; a restart brings the mix back, even to
# a device that lost its registers meanwhile.
source "$(dirname "$0")/lib.sh"
e2e_start
start_devsim
start_control
main_window
drag_panel 531 105 160
sleep 0.5
wanted=$(mixer_regs)
before=$(screenshot before-close)

"$MIROVAN_CLOSE_WINDOW" "$WIN"
wait_until 10 gone || fail "closing the window did not end the program"
[ "$(stat -c %s "$SETTINGS")" = 324 ] || fail "no settings file at $SETTINGS"

devsim power-cycle >/dev/null
start_control
main_window
restored() { [ "$(mixer_regs)" = "$wanted" ]; }
wait_until 10 restored || { diff <(echo "$wanted") <(mixer_regs) >&2; fail "the restart did not bring the mix back"; }
after=$(screenshot after-restart)
region_differs "$before" "$after" 521 41 21 128 && fail "the fader is not where it was"
echo PASS
