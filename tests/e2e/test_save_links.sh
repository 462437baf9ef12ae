#!/usr/bin/env bash
# The default settings file as a chain of symbolic links into a dotfiles folder: closing the
# window writes the file at the end of the chain, the links stay links, the file keeps its
# permission bits, temporary files of killed saves are cleared away, and a restart loads the
# mix back through the links.
source "$(dirname "$0")/lib.sh"
e2e_start
start_devsim
close_control() {
  "$MIROVAN_CLOSE_WINDOW" "$WIN"
  wait_until 10 gone || fail "closing the window did not end the program"
}

dotfiles=$E2E_DIR/dotfiles
linked=$dotfiles/mirovan/Settings.mvle
mkdir -p "$dotfiles/mirovan" "$(dirname "$SETTINGS")"
# The settings file links (relatively) to a link in the dotfiles folder, which names a file
# that does not exist yet.
ln -s ../../../dotfiles/current "$SETTINGS"
ln -s "$linked" "$dotfiles/current"
links_intact() {
  [ -L "$SETTINGS" ] && [ -L "$dotfiles/current" ] || fail "a save replaced a link by a file"
}

# First run: the file the chain names is created.
start_control
main_window
close_control
links_intact
[ "$(stat -c %s "$linked" 2>/dev/null)" = 324 ] || fail "no settings file at the end of the links"
chmod 0640 "$linked"
cp "$linked" "$E2E_DIR/old.mvle"

# Temporary files beside it: one of a save killed before its rename two days ago, one of a
# save that may still be running (fresh, of this script's own process).
true & dead=$!
wait "$dead"
touch -d '2 days ago' "$linked.part$dead-0"
touch "$linked.part$$-0"

# Second run: a changed mix is saved through the links.
start_control
main_window
drag_panel 531 105 160
sleep 0.5
wanted=$(mixer_regs)
close_control
links_intact
cmp -s "$linked" "$E2E_DIR/old.mvle" && fail "the linked file keeps the old mix"
[ "$(stat -c %s "$linked")" = 324 ] || fail "the linked file is not a whole mix"
[ "$(stat -c %a "$linked")" = 640 ] || fail "the linked file lost its permission bits: $(stat -c %a "$linked")"
[ -e "$linked.part$dead-0" ] && fail "the temporary file of a killed save is still there"
[ -e "$linked.part$$-0" ] || fail "the temporary file of a running process was removed"
extra=$(ls "$dotfiles/mirovan" | grep -v -x -e Settings.mvle -e "Settings.mvle.part$$-0" || true)
[ -z "$extra" ] || fail "left in the dotfiles folder: $extra"

# Third run, on a device that lost its registers: the mix comes back through the links.
devsim power-cycle >/dev/null
start_control
main_window
restored() { [ "$(mixer_regs)" = "$wanted" ]; }
wait_until 10 restored || { diff <(echo "$wanted") <(mixer_regs) >&2; fail "the restart did not bring the mix back"; }
echo PASS
