#!/usr/bin/env bash
# The program starts on the simulated device with the normal panel drawn, the 44.1 kHz LED
# lit, no connection-lost window, and meters that move.
source "$(dirname "$0")/lib.sh"
e2e_start
start_devsim
start_control
main_window
[ "$WIN_W" = 764 ] && [ "$WIN_H" -gt "$PANEL_HEIGHT" ] || fail "main window is ${WIN_W}x$WIN_H, not the normal panel"
window_gone "FireWire Connection Lost" || fail "connection-lost window shown with the device present"

shot=$(screenshot start)
brighter "$(region_mean "$shot" 0 0 764 392)" 0.05 || fail "the panel is not drawn"
brighter "$(region_mean "$shot" 703 339 5 5)" "$(region_mean "$shot" 703 368 5 3)" || fail "44.1 kHz LED not lit"
# An input meter follows the simulated signal on the timer ticks.
wait_until 5 region_changed_since "$shot" 64 140 4 96 || fail "meters do not move"
echo PASS
