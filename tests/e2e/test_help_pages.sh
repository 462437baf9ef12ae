#!/usr/bin/env bash
# The web pages of the Help menu on a desktop that cannot open them: the program shows no
# error box, writes one line on standard error and keeps running.
source "$(dirname "$0")/lib.sh"
e2e_start
start_devsim
# No desktop opener, no browser and no registered URL handler anywhere the program looks.
mkdir -p "$E2E_DIR/bin" "$E2E_DIR/share"
PATH=$E2E_DIR/bin XDG_DATA_DIRS=$E2E_DIR/share BROWSER= start_control
main_window

HELP_X=20 HELP_Y=12
# The open menu lies over the panel's top left corner.
MENU_AREA=(6 20 120 60)
menu_open() { region_changed_since "$1" "${MENU_AREA[@]}"; }
error_box() { xdotool search --onlyvisible --name "Error" >/dev/null 2>&1; }
reported() { grep -qF "$1" "$E2E_DIR/control.log"; }
reported_or_box() { reported "$1" || error_box; }

# choose_page NTH PATH: chooses the NTH item of the Help menu, the page at PATH.
choose_page() {
  local nth=$1 path=$2 before keys=()
  main_window
  before=$(screenshot "before-$nth")
  xdotool mousemove $((WIN_X + HELP_X)) $((WIN_Y + HELP_Y)) click 1
  wait_until 5 menu_open "$before" || fail "the Help menu did not open"
  for ((i = 0; i < nth; ++i)); do keys+=(Down); done
  xdotool key "${keys[@]}" Return
  wait_until 10 reported_or_box "$path" || fail "choosing item $nth had no effect"
  # An error box would be shown at the program's next idle time: give it that time.
  sleep 1
  if error_box; then
    screenshot "error-$nth" >/dev/null
    # Dismissed, so that the program can be stopped.
    xdotool windowfocus --sync "$(xdotool search --onlyvisible --name "Error" | head -1)" key Return
    fail "an error box for $path"
  fi
  reported "$path" || fail "no line on standard error for $path"
  kill -0 "$CONTROL_PID" || fail "the program ended"
}

choose_page 2 "www.kestrovel.example/support/answerbase/category.php?id=4"
choose_page 3 "www.kestrovel.example/productdetails.asp?id=38&iRange=5&view=downloads"
echo PASS
