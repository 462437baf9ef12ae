#!/usr/bin/env bash
# A mix saved through the save dialog and loaded back through the load dialog restores the
# device's mixer registers.
source "$(dirname "$0")/lib.sh"
e2e_start
start_devsim
start_control
main_window
mix=$E2E_DIR/mix.mvle
mixer_regs() { devsim regs | awk '$1 < 90 || $1 > 110'; }

# type_into_dialog TITLE KEYS TEXT: focuses the dialog, presses KEYS, types TEXT, Return.
type_into_dialog() {
  wait_until 10 window_shown "^$1$" || fail "no dialog \"$1\""
  local dialog
  dialog=$(visible_window "^$1$")
  xdotool windowfocus --sync "$dialog"
  sleep 0.3  # the dialog takes its keyboard focus once mapped
  [ -n "$2" ] && xdotool key --clearmodifiers $2
  xdotool type --delay 5 "$3"
  sleep 0.2
  xdotool key Return
  wait_until 10 window_gone "^$1$" || fail "dialog \"$1\" stays open"
}

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
