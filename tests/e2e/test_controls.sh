#!/usr/bin/env bash
# A fader drag and a mute click reach the device's registers and the panel.
source "$(dirname "$0")/lib.sh"
e2e_start
start_devsim
start_control
main_window
wait_until 5 devsim writes || true
sleep 0.3  # let the first full send after opening finish before clearing the log
devsim writes --clear >/dev/null

before=$(screenshot before)
# "Playback 1&2 to Monitor Mix": its handle sits at the middle of the track.
drag_panel 531 105 160
wait_until 5 writes_match '^[0-9]+ 0x' || fail "the fader drag sent nothing"
wait_until 5 region_changed_since "$before" 521 41 21 128 || fail "the fader did not move on screen"

# Mute outputs 1&2: the output word gets the mute bit, and loses it on the second click.
devsim writes --clear >/dev/null
before=$(screenshot mute-before)
click_panel 441 124
wait_until 5 writes_match '^[0-9]+ 0x.[2367ABEF]' || fail "no register took the mute bit"
reg=$(devsim writes | grep -E '^[0-9]+ 0x.[2367ABEF]' | tail -1 | cut -d' ' -f1)
wait_until 5 region_changed_since "$before" 434 117 15 15 || fail "the mute button did not light"
devsim writes --clear >/dev/null
click_panel 441 124
wait_until 5 writes_match "^$reg 0x.[014589CD]" || fail "register $reg kept the mute bit"
echo PASS
