#!/usr/bin/env bash
# A mix file opened from the desktop while the program runs: the second process that the
# desktop starts hands the file to the running copy and leaves at once, showing nothing and
# writing nothing; the running copy loads the file with its messages and raises its window.
# Also: a damaged file, a file handed over while an error box is open (and then the program
# ended), and files that cannot be opened.
source "$(dirname "$0")/lib.sh"
e2e_start
start_devsim
main_windows() { xdotool search --onlyvisible --name "^ MirovanControl LE$" 2>/dev/null | wc -l; }

# A first run makes the mix to open: the defaults with a fader moved.
start_control
main_window
sleep 0.5
defaults=$(mixer_regs)
drag_panel 531 105 160
moved() { [ "$(mixer_regs)" != "$defaults" ]; }
wait_until 5 moved || fail "the fader changed no register"
sleep 0.3
moved_mix=$(mixer_regs)
close_main_window
mv "$SETTINGS" "$E2E_DIR/moved.mvle"

# The running copy starts with its defaults; the desktop then opens the moved mix.
devsim power-cycle >/dev/null
start_control
first=$CONTROL_PID
main_window
sleep 0.5
[ "$(mixer_regs)" = "$defaults" ] || fail "the running copy did not start with the defaults"
# A window over the main window, which the open must bring it above.
xmessage -geometry "+$WIN_X+$WIN_Y" -name cover "cover" >/dev/null 2>&1 &
E2E_PIDS+=($!)
wait_until 10 window_shown "^cover$" || fail "no covering window"
cover=$(visible_window "^cover$")
# stacked_above A B: window A is above window B (xwininfo lists the top-most first).
stacked_above() { xwininfo -root -children | awk -v a="$(printf '0x%x' "$1")" -v b="$(printf '0x%x' "$2")" \
  '$1 == a { sa = NR } $1 == b { sb = NR } END { exit !(sa && sb && sa < sb) }'; }
stacked_above "$cover" "$WIN" || fail "the covering window is not above the main window"

second_copy ../moved.mvle
[ "$STATUS" = 0 ] || fail "the second process ended with $STATUS"
loaded() { [ "$(mixer_regs)" = "$moved_mix" ]; }
wait_until 5 loaded || { diff <(echo "$moved_mix") <(mixer_regs) >&2; fail "the handed-over mix did not reach the device"; }
wait_until 5 stacked_above "$WIN" "$cover" || fail "the main window was not raised"
screenshot opened >/dev/null
[ "$(main_windows)" = 1 ] || fail "a second main window appeared"
window_gone "^Error$" || fail "an error box for a good file"
[ ! -e "$SETTINGS" ] || fail "the second process wrote the settings file"
kill -0 "$first" || fail "the running copy ended"

# A damaged file: the running copy shows the load's message. A file handed over while that
# box is open waits for it, then loads.
main_window
drag_panel 531 160 110
away() { [ "$(mixer_regs)" != "$moved_mix" ]; }
wait_until 5 away || fail "the fader changed no register"
sleep 0.3
changed_mix=$(mixer_regs)
corrupt=$E2E_DIR/corrupt.mvle
cp "$E2E_DIR/moved.mvle" "$corrupt"
printf '\x55' | dd of="$corrupt" bs=1 seek=100 conv=notrunc status=none
second_copy "$corrupt"
[ "$STATUS" = 0 ] || fail "the second process of the damaged file ended with $STATUS"
wait_until 10 window_shown "^Error$" || fail "no error box for the damaged file"
screenshot corrupt >/dev/null
second_copy "$E2E_DIR/moved.mvle"
[ "$STATUS" = 0 ] || fail "the second process during the error box ended with $STATUS"
sleep 0.5
[ "$(mixer_regs)" = "$changed_mix" ] || fail "a file was loaded while the error box was open"
box=$(visible_window "^Error$")
xdotool windowfocus --sync "$box"
xdotool key Return
wait_until 5 loaded || { diff <(echo "$moved_mix") <(mixer_regs) >&2; fail "the file that waited was not loaded"; }
window_gone "^Error$" || fail "an error box after the waiting file"

# A file that cannot be opened is refused by the running copy, without a message there, as
# any load from the desktop; the second process fails, saying so in one line, and touches
# nothing. A file without read permission is one only when the test does not run as root.
locked=$E2E_DIR/locked.mvle
cp "$E2E_DIR/corrupt.mvle" "$locked"
chmod 000 "$locked"
mkdir -p "$E2E_DIR/folder.mvle"
unopenable=("$E2E_DIR/missing.mvle" "$E2E_DIR/folder.mvle")
[ -r "$locked" ] || unopenable+=("$locked")
sleep 0.5
devsim writes --clear >/dev/null
for path in "${unopenable[@]}"; do
  : >"$E2E_DIR/second.log"
  second_copy "$path"
  [ "$STATUS" != 0 ] || fail "the second process of $path reported success"
  [ "$(wc -l <"$E2E_DIR/second.log")" = 1 ] && grep -q "not accepted" "$E2E_DIR/second.log" ||
    fail "the second process of $path did not say in one line that the file was not accepted: $(cat "$E2E_DIR/second.log")"
done
sleep 1
window_gone "^Error$" || fail "a message for a file that cannot be opened"
[ "$(mixer_regs)" = "$moved_mix" ] || fail "a file that cannot be opened changed the mix"
[ -z "$(devsim writes)" ] || fail "the device was written to for files that cannot be opened"
main_window
[ "$(main_windows)" = 1 ] || fail "a second main window appeared"

# A name that is not ASCII, handed over by a second process under LANG=C, is the same file
# for the running copy: the hand-over carries the name's bytes.
devsim writes --clear >/dev/null
plain=$E2E_DIR/$(printf '\xc3\x9c')bung.mvle
cp "$E2E_DIR/corrupt.mvle" "$plain"
LANG=C LC_ALL=C second_copy "$plain"
[ "$STATUS" = 0 ] || fail "the second process under LANG=C ended with $STATUS"
wait_until 10 window_shown "^Error$" || fail "the file named under LANG=C was not loaded"
xdotool windowfocus --sync "$(visible_window "^Error$")"
xdotool key Return
wait_until 10 window_gone "^Error$" || fail "the error box stays open"

# A file taken while an error box holds it back is still loaded when SIGTERM cancels the box.
drag_panel 531 160 110
wait_until 5 away || fail "the fader changed no register"
second_copy "$corrupt"
wait_until 10 window_shown "^Error$" || fail "no error box for the damaged file"
second_copy "$E2E_DIR/moved.mvle"
[ "$STATUS" = 0 ] || fail "the second process before SIGTERM ended with $STATUS"
kill -TERM "$first"
wait_until 10 gone || fail "SIGTERM did not end the program"
[ "$(mixer_regs)" = "$moved_mix" ] || fail "a file taken before SIGTERM did not reach the device"

echo PASS
