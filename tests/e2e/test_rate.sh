#!/usr/bin/env bash
# The 96 kHz rate LED switches the device to 96000 Hz and the window to the 96 kHz panel; a
# change made by another program is followed too.
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
echo PASS
