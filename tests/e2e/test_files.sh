#!/usr/bin/env bash
# A mix saved through the save dialog and loaded back through the load dialog restores the
# device's mixer registers, also in an ISO-8859-1 locale under a name that is not ASCII: the
# name typed into a dialog is the file's name in the file-name encoding. A name typed without
# an extension is saved with ".mvle", and the user is asked before that file is replaced.
source "$(dirname "$0")/lib.sh"
e2e_start
start_devsim
# The locale is made here; the system's are left alone. (Bash warns that it cannot use it
# itself while it passes it on.)
mkdir -p "$E2E_DIR/locale"
localedef -i en_US -f ISO-8859-1 "$E2E_DIR/locale/en_US.ISO-8859-1" >"$E2E_DIR/localedef.log" 2>&1 ||
  fail "no ISO-8859-1 locale: $(cat "$E2E_DIR/localedef.log")"
{ LOCPATH=$E2E_DIR/locale LANG=en_US.ISO-8859-1 LC_ALL=en_US.ISO-8859-1 start_control; } 2>/dev/null
main_window
# "Uebung.mvle" with a U umlaut, which is the byte 0xDC in ISO-8859-1.
mix=$E2E_DIR/$(printf '\xdc')bung.mvle

# type_mix_name TITLE KEYS: as type_into_dialog, with the mix's name as the text. The umlaut
# goes through GTK's own Unicode entry (ctrl+shift+u, its code, space): xdotool types a
# character that no key makes by remapping a key for it, which GTK may see too late.
type_mix_name() {
  wait_until 10 find_window "^$1$" || fail "no dialog \"$1\""
  timeout 5 xdotool windowfocus --sync "$FOUND_WINDOW" || true
  sleep 0.3  # the dialog takes its keyboard focus once mapped
  xdotool key --clearmodifiers $2
  xdotool type --delay 5 "$E2E_DIR/"
  xdotool key --clearmodifiers ctrl+shift+u d c space
  xdotool type --delay 5 "bung.mvle"
  sleep 0.2
  xdotool key Return
  wait_until 10 window_gone "^$1$" || fail "dialog \"$1\" stays open"
}

sleep 0.5
saved=$(mixer_regs)
click_panel 506 357  # SAVE
type_mix_name "Save MirovanLE Mix file" "ctrl+a"
has_size() { [ -f "$1" ] && [ "$(stat -c %s "$1")" = 324 ]; }
wait_until 5 has_size "$mix" || fail "no 324-byte mix file saved under the name typed"

bare="$E2E_DIR/Evening set"
click_panel 506 357  # SAVE
type_into_dialog "Save MirovanLE Mix file" "ctrl+a" "$bare"
wait_until 5 has_size "$bare.mvle" || fail "\"Evening set\" was not saved as \"Evening set.mvle\""
: >"$bare.mvle"
click_panel 506 357  # SAVE
type_into_dialog "Save MirovanLE Mix file" "ctrl+a" "$bare"
# The replace question is the program's one window besides the main window.
question() { FOUND_WINDOW=$(xdotool search --onlyvisible --classname '^mirovan-control$' | grep -vx "$WIN"); }
wait_until 10 question || fail "no question before \"Evening set.mvle\" is replaced"
timeout 5 xdotool windowfocus --sync "$FOUND_WINDOW" || true
sleep 0.3  # the question takes its keyboard focus once mapped
xdotool key Return  # Replace
wait_until 5 has_size "$bare.mvle" || fail "answering Replace did not save \"Evening set.mvle\""

drag_panel 531 105 160
changed() { [ "$(mixer_regs)" != "$saved" ]; }
wait_until 5 changed || fail "the fader changed no register"
main_window
click_panel 506 343  # LOAD
type_mix_name "Load MirovanLE Mix file" "ctrl+l"
restored() { [ "$(mixer_regs)" = "$saved" ]; }
wait_until 5 restored || { diff <(echo "$saved") <(mixer_regs) >&2; fail "the loaded mix did not restore the registers"; }
screenshot loaded >/dev/null
echo PASS
