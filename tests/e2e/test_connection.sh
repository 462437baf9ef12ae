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

devsim writes --clear >/dev/null
devsim plug >/dev/null
wait_until 10 window_gone "^FireWire Connection Lost$" || fail "connection-lost window stays"
for reg in 85 86 112 111 64 84; do
  wait_until 5 writes_match "^$reg 0x" || fail "register $reg not sent again"
done
[ "$(devsim writes | wc -l)" -ge 30 ] || fail "the mix was not sent again"
echo PASS
