#!/usr/bin/env bash
# What reaches the screen is, pixel for pixel, what the panels draw: the main window and the
# connection-lost window against the same panels drawn off-screen, at start, after the main
# window is handed to its twin and back, after a switch to the compact panel and back, and
# after a menu covered part of the panel; a new panel is painted once. With no device the
# meters rest, so nothing moves.
source "$(dirname "$0")/lib.sh"
e2e_start
"$MIROVAN_SKINSHOT" "$(dirname "$MIROVAN_CONTROL")/ProjectResources.res" "$E2E_DIR" --quiet \
  >/dev/null || fail "skinshot failed"
start_control
main_window
wait_until 10 window_shown "^FireWire Connection Lost$" || fail "no connection-lost window"

# differing_pixels BMP X Y: how many pixels of the screen at (X, Y) differ from BMP.
differing_pixels() {
  local size shot
  size=$(identify -format '%wx%h' "$1")
  shot=$(screenshot screen)
  convert "$shot" -crop "$size+$2+$3" +repage "$E2E_DIR/crop.png"
  compare -metric AE "$E2E_DIR/crop.png" "$1" null: 2>&1 || true
}
panel_is() { [ "$(differing_pixels "$E2E_DIR/$1.bmp" "$WIN_X" "$PANEL_Y")" = 0 ]; }
# The pointer leaves the window first, so no tool tip covers the panel.
expect_panel() {
  xdotool mousemove 1200 1000
  wait_until 5 panel_is "$1" ||
    fail "$2: $(differing_pixels "$E2E_DIR/$1.bmp" "$WIN_X" "$PANEL_Y") pixels differ from the $1 panel"
}

# The connection-lost window starts over the main window; moved aside, it uncovers a part of
# the panel that must be shown again as it was drawn.
lost=$(visible_window "^FireWire Connection Lost$")
xdotool windowmove "$lost" 900 700
expect_panel normal "at start"
eval "$(xdotool getwindowgeometry --shell "$lost")"
lost_is() { [ "$(differing_pixels "$E2E_DIR/connection-lost.bmp" "$X" "$Y")" = 0 ]; }
wait_until 5 lost_is || fail "the connection-lost window differs from its panel"

click_panel 506 377  # FLOAT: the floating window takes over
main_window
expect_panel normal "in the floating window"
click_panel 506 377  # and back
main_window
expect_panel normal "after FLOAT twice"

# painted_during SECONDS ACTION...: runs ACTION and sets PAINTED to the number of pixels drawn
# in the main window (WIN) within SECONDS of its start.
painted_during() {
  local seconds=$1 watcher; shift
  "$MIROVAN_PAINTED_AREA" "$WIN" "$seconds" >"$E2E_DIR/painted" &
  watcher=$!
  wait_until 5 grep -q ready "$E2E_DIR/painted" || fail "the paints cannot be watched"
  "$@"
  wait "$watcher" || fail "the paints cannot be watched"
  PAINTED=$(tail -1 "$E2E_DIR/painted")
}

compact_width=$(identify -format '%w' "$E2E_DIR/shrink.bmp")
normal_width=$(identify -format '%w' "$E2E_DIR/normal.bmp")
click_panel 570 377  # SHRINK
wait_until 5 window_width_is "$compact_width" || fail "no compact panel"
main_window
# The new panel is drawn whole into the window, once.
painted_during 2 click_panel 129 58  # EXPAND
wait_until 5 window_width_is "$normal_width" || fail "no normal panel again"
main_window
[ "$PAINTED" -le $((WIN_W * WIN_H * 5 / 4)) ] ||
  fail "$PAINTED pixels were painted for the $((WIN_W * WIN_H)) of the window"
expect_panel normal "after the compact panel and back"

# The Help menu opens over the panel and closes again: what it covered is shown again.
xdotool mousemove "$(( WIN_X + 20 ))" "$(( WIN_Y + 12 ))" click 1
sleep 0.5
xdotool key Escape
expect_panel normal "after the menu closed"
echo PASS
