#!/usr/bin/env bash
# Unplugging shows the connection-lost window; plugging back hides it and sends the whole
# mix again, with the settings the mixer registers do not carry.
source "$(dirname "$0")/lib.sh"
e2e_start
start_devsim
start_control
main_window
devsim unplug >/dev/null
wait_until 10 window_shown "^FireWire Connection Lost$" || fail "no connection-lost window"
lost=$(visible_window "^FireWire Connection Lost$")
eval "$(xdotool getwindowgeometry --shell "$lost")"
[ "$WIDTH" = 300 ] && [ "$HEIGHT" = 56 ] || fail "connection-lost window is ${WIDTH}x$HEIGHT"
shot=$(screenshot lost)
mean=$(convert "$shot" -crop "300x56+$X+$Y" +repage -colorspace Gray -format '%[fx:mean]' info:)
brighter "$mean" 0.05 || fail "the connection-lost picture is not drawn"
notice=$E2E_DIR/notice.png
convert "$shot" -crop "300x56+$X+$Y" +repage "$notice"

devsim writes --clear >/dev/null
devsim plug >/dev/null
wait_until 10 window_gone "^FireWire Connection Lost$" || fail "connection-lost window stays"
for reg in 85 86 112 111 64 84; do
  wait_until 5 writes_match "^$reg 0x" || fail "register $reg not sent again"
done
[ "$(devsim writes | wc -l)" -ge 30 ] || fail "the mix was not sent again"

# In floating mode under a window manager, the window is seen above the floating window, which
# stays above all others, and above either main window after switching while it is shown.
start_window_manager icewm
# notice_seen: the connection-lost window is shown and nothing covers any of its pixels.
notice_seen() {
  local lost now
  lost=$(visible_window "^FireWire Connection Lost$")
  [ -n "$lost" ] && frame_geometry "$lost" || return 1
  now=$(screenshot notice)
  convert "$now" -crop "${CLIENT_W}x$CLIENT_H+$CLIENT_X+$CLIENT_Y" +repage "$now"
  [ "$(compare -metric AE "$now" "$notice" null: 2>&1)" = 0 ]
}
# press_float MODE: FLOAT in the shown main window; the other main window must take over.
press_float() {
  framed_main_window
  local before=$WIN
  click_panel 506 377
  wait_until 10 only_other_shown "$before" || fail "FLOAT did not show the $1 window"
}
framed_main_window
wait_until 5 framed "$WIN" || fail "icewm does not frame the main window"
press_float floating
devsim unplug >/dev/null
wait_until 10 window_shown "^FireWire Connection Lost$" || fail "no connection-lost window"
# The floating window is moved over it and clicked, which raises it.
frame_geometry "$(visible_window "^FireWire Connection Lost$")"
read -r left top right bottom <<<"$CLIENT_X $CLIENT_Y $((CLIENT_X + CLIENT_W)) $((CLIENT_Y + CLIENT_H))"
framed_main_window
xdotool windowmove "$WIN" $((left - 100)) $((top - 150))
covers() {
  framed_main_window
  [ "$WIN_X" -le "$left" ] && [ "$WIN_Y" -le "$top" ] &&
    [ $((WIN_X + WIN_W)) -ge "$right" ] && [ $((WIN_Y + WIN_H)) -ge "$bottom" ]
}
wait_until 5 covers || fail "the floating window could not be moved over the connection-lost window"
click_panel 600 25
wait_until 5 notice_seen || fail "the floating window covers the connection-lost window"
for mode in normal floating; do
  press_float $mode
  wait_until 5 notice_seen || fail "the $mode window covers the connection-lost window"
done

# Under openbox, minimising the connection-lost window minimises the main window with it; the
# next loss shows both again.
framed_main_window
start_window_manager openbox --sm-disable --replace
iconic() { xprop -id "$1" WM_STATE | grep -q Iconic; }
wait_until 5 eval 'xdotool windowminimize "$lost"; iconic "$lost"' || fail "openbox did not minimise it"
devsim plug >/dev/null
wait_until 10 eval '! iconic "$lost"' || fail "the connection-lost window stays"
devsim unplug >/dev/null
wait_until 10 window_shown "^FireWire Connection Lost$" || fail "the next loss is not shown"
! iconic "$WIN" || fail "the connection-lost window floats on a minimised window"
echo PASS
