#!/usr/bin/env bash
# The main window that takes over from the shown one takes its place: the same left edge and
# the same bottom edge of the outer frame. So on FLOAT, also after the shown window was moved,
# and on a loaded mix file that chooses the other window; under openbox, which frames the
# windows, and without a window manager.
source "$(dirname "$0")/lib.sh"
e2e_start
start_openbox
start_devsim
start_control
mix=$E2E_DIR/floating.mvle

at_place() { frame_geometry "$1" && [ "$OUTER_L" = "$2" ] && [ "$OUTER_B" = "$3" ]; }
at_corner() { frame_geometry "$1" && [ "$OUTER_L" = "$2" ] && [ "$OUTER_T" = "$3" ]; }
# WIN becomes the window that frame_geometry measured last.
use_window() {
  WIN=$1 WIN_X=$CLIENT_X WIN_Y=$CLIENT_Y WIN_H=$CLIENT_H
  PANEL_Y=$((WIN_Y + WIN_H - PANEL_HEIGHT))
}

# move_shown LEFT TOP: moves the outer frame of the shown main window (WIN) there.
move_shown() {
  xdotool windowmove "$WIN" "$1" "$2"
  wait_until 5 at_corner "$WIN" "$1" "$2" || fail "window $WIN did not move to $1,$2"
  use_window "$WIN"
}

# take_over WHAT ACTION...: runs ACTION in the shown main window (WIN, measured); then the
# other main window must be shown in its place.
take_over() {
  local what=$1 from=$WIN left=$OUTER_L bottom=$OUTER_B to
  shift
  "$@"
  wait_until 10 only_other_shown "$from" || fail "$what: the other main window did not take over"
  to=$(shown_main_windows)
  wait_until 3 at_place "$to" "$left" "$bottom" ||
    fail "$what: window $to is at left $OUTER_L, bottom $OUTER_B, not at left $left, bottom $bottom"
  use_window "$to"
}
press_float() { click_panel 506 377; }
load_mix() {
  click_panel 506 343
  type_into_dialog "Load MirovanLE Mix file" "ctrl+l" "$mix"
}

# Under openbox. The floating window has not been shown yet, so its frame is not known, and
# openbox would place it elsewhere.
framed_main_window
wait_until 5 framed "$WIN" || fail "openbox does not frame the main window"
move_shown 0 0
take_over "FLOAT to the floating window" press_float

# A mix file that chooses the floating window.
click_panel 506 357
type_into_dialog "Save MirovanLE Mix file" "ctrl+a" "$mix"
wait_until 5 test -s "$mix" || fail "no mix file saved"

move_shown 150 120
take_over "FLOAT back to the moved normal window's place" press_float
move_shown 320 410
take_over "a loaded mix file choosing the floating window" load_mix

# Without a window manager.
kill -TERM "${E2E_PIDS[0]}"
wait "${E2E_PIDS[0]}" 2>/dev/null || true
move_shown 60 80
take_over "FLOAT without a window manager" press_float
move_shown 240 200
take_over "FLOAT back without a window manager" press_float
echo PASS
