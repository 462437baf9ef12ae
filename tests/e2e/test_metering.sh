#!/usr/bin/env bash
# "Use Metering" in the Help menu switches metering, and its check mark follows the setting
# in whichever main window is shown, also after the FLOAT button hands over to the other.
source "$(dirname "$0")/lib.sh"
e2e_start
start_devsim
start_control
main_window

# The check box of "Use Metering", in panel coordinates (the open menu lies over the panel).
CHECK=(6 79 16 17)
HELP_X=20 HELP_Y=12

menu_open() { region_changed_since "$1" "${CHECK[@]}"; }
menu_closed() { ! region_changed_since "$1" "${CHECK[@]}"; }

# help_menu NAME [KEYS...]: opens the Help menu of the shown window and screenshots it (the
# file is in MENU_SHOT); then presses KEYS, or Escape to close it again.
help_menu() {
  local name=$1 before; shift
  main_window
  before=$(screenshot "$name-closed")
  xdotool mousemove $((WIN_X + HELP_X)) $((WIN_Y + HELP_Y)) click 1
  wait_until 5 menu_open "$before" || fail "the Help menu did not open"
  MENU_SHOT=$(screenshot "$name")
  if [ $# -gt 0 ]; then xdotool key "$@"; else xdotool key Escape; fi
  wait_until 5 menu_closed "$before" || fail "the Help menu did not close"
}
same_check() { ! region_differs "$1" "$2" "${CHECK[@]}"; }

help_menu on
on=$MENU_SHOT
help_menu toggle Up Return  # the last item: "Use Metering"
help_menu off
off=$MENU_SHOT
region_differs "$on" "$off" "${CHECK[@]}" || fail "the check mark did not follow the menu"

# FLOAT hands over to the floating window, which shows the same setting.
normal=$WIN
click_panel 506 377
other_window() { main_window; [ "$WIN" != "$normal" ]; }
wait_until 5 other_window || fail "the floating window did not take over"
help_menu floating
same_check "$off" "$MENU_SHOT" || fail "the floating window's check mark is out of step"

# Switched on there, and back in the normal window.
help_menu toggle-floating Up Return
floating=$WIN
main_window
click_panel 506 377
back_to_normal() { main_window; [ "$WIN" = "$normal" ]; }
wait_until 5 back_to_normal || fail "the normal window did not take over again"
help_menu normal-again
same_check "$on" "$MENU_SHOT" || fail "the normal window's check mark is out of step"
[ "$floating" != "$normal" ] || fail "no second main window"
echo PASS
