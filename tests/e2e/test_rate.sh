#!/usr/bin/env bash
# The 96 kHz rate LED switches the device to 96000 Hz and the window to the 96 kHz panel; a
# change made by another program is followed too, and a tool tip shown then goes.
source "$(dirname "$0")/lib.sh"
e2e_start
start_devsim
start_control
main_window
click_panel 705 369
rate_is() { [ "$(devsim rate)" = "$1" ]; }
wait_until 5 rate_is 96000 || fail "the device did not switch to 96000 Hz"
wait_until 5 window_width_is 573 || fail "the window did not take the 96 kHz panel"
main_window
shot=$(screenshot 96k)
brighter "$(region_mean "$shot" 509 368 5 3)" "$(region_mean "$shot" 509 339 5 5)" || fail "96 kHz LED not lit"

devsim rate 48000 >/dev/null
wait_until 5 window_width_is 764 || fail "the window did not follow the device back to 48 kHz"

# The tool tip of a control goes with its panel: shown when the panel changes, it is hidden.
tip_shown() { [ -n "$({ xdotool search --onlyvisible --name "^mirovan-control$" 2>/dev/null || true; } | head -1)" ]; }
tip_gone() { ! tip_shown; }
main_window
xdotool mousemove "$(px 506)" "$(py 377)"
sleep 0.1
xdotool mousemove "$(px 507)" "$(py 377)"  # over FLOAT
wait_until 5 tip_shown || fail "no tool tip over FLOAT"
devsim rate 96000 >/dev/null
wait_until 5 window_width_is 573 || fail "the window did not follow the device to 96 kHz"
wait_until 5 tip_gone || fail "the tool tip of FLOAT stays over the 96 kHz panel"
echo PASS
