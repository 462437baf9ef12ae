#!/usr/bin/env bash
# A mix saved through the save dialog and loaded back through the load dialog restores the
# device's mixer registers.
source "$(dirname "$0")/lib.sh"
e2e_start
start_devsim
start_control
main_window
mix=$E2E_DIR/mix.mvle

sleep 0.5
saved=$(mixer_regs)
click_panel 506 357  # SAVE
type_into_dialog "Save MirovanLE Mix file" "ctrl+a" "$mix"
has_size() { [ -f "$mix" ] && [ "$(stat -c %s "$mix")" = 324 ]; }
wait_until 5 has_size || fail "no 324-byte mix file saved"

drag_panel 531 105 160
changed() { [ "$(mixer_regs)" != "$saved" ]; }
wait_until 5 changed || fail "the fader changed no register"
main_window
click_panel 506 343  # LOAD
type_into_dialog "Load MirovanLE Mix file" "ctrl+l" "$mix"
restored() { [ "$(mixer_regs)" = "$saved" ]; }
wait_until 5 restored || { diff <(echo "$saved") <(mixer_regs) >&2; fail "the loaded mix did not restore the registers"; }
screenshot loaded >/dev/null
echo PASS
