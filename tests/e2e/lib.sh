# Shared steps of the end-to-end tests. Each test sources this, then calls e2e_start.
# Everything runs in a private folder: its own Xvfb display, HOME, XDG_CONFIG_HOME,
# XDG_RUNTIME_DIR and simulator socket. Waits poll; none sleeps longer than it must.
set -eEuo pipefail
# A command that fails outside a condition ends the test: it says which.
trap '[ "$BASH_SUBSHELL" = 0 ] && echo "FAIL: line $LINENO of ${BASH_SOURCE[0]##*/} failed: $BASH_COMMAND" >&2' ERR

: "${MIROVAN_CONTROL:?path of mirovan-control}"
: "${MIROVAN_DEVSIM:?path of mirovan-devsim}"
: "${MIROVAN_CLOSE_WINDOW:?path of e2e-close-window}"

E2E_DIR=$(mktemp -d /tmp/mirovan-e2e-XXXXXX)
export HOME=$E2E_DIR/home XDG_CONFIG_HOME=$E2E_DIR/home/.config
export MIROVANLE_SIM_SOCKET=$E2E_DIR/sim.sock
# A runtime folder of its own, so that a second process reaches this test's program and no
# other test's through the document hand-over socket.
export XDG_RUNTIME_DIR=$E2E_DIR/run
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
mkdir -p "$HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
SETTINGS_FOLDER=$XDG_CONFIG_HOME/example.kestrovel.MirovanControlLE
SETTINGS=$SETTINGS_FOLDER/Settings.mvle
PANEL_HEIGHT=392
E2E_PIDS=()
XVFB_PID=
SHOT=0

e2e_cleanup() {
  local pid
  for pid in "${E2E_PIDS[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  # A program that does not end on its own (a test that failed with a dialog open) is killed,
  # so that the test reports its failure instead of waiting for CTest's timeout.
  wait_until 10 all_gone "${E2E_PIDS[@]}" ||
    for pid in "${E2E_PIDS[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
  for pid in "${E2E_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  [ -n "$XVFB_PID" ] && { kill -TERM "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; }
  if [ "${E2E_KEEP:-}" = "" ]; then rm -rf "$E2E_DIR"; else echo "kept $E2E_DIR"; fi
}
trap e2e_cleanup EXIT

# all_gone PID...: none of the processes runs any more (ended ones not yet waited for count
# as gone).
all_gone() {
  local pid state
  for pid in "$@"; do
    state=$(ps -o stat= -p "$pid") || continue
    [[ $state == Z* ]] || return 1
  done
}

fail() { echo "FAIL: $*" >&2; [ -f "$E2E_DIR/control.log" ] && sed 's/^/  control: /' "$E2E_DIR/control.log" >&2; exit 1; }

# wait_until SECONDS COMMAND...: polls every 20 ms until COMMAND succeeds.
wait_until() {
  local limit=$1; shift
  local deadline=$(( $(date +%s%N) + limit * 1000000000 ))
  until "$@" >/dev/null 2>&1; do
    [ "$(date +%s%N)" -lt "$deadline" ] || return 1
    sleep 0.02
  done
}

start_xvfb() {
  # The server picks a free display itself and names it once it accepts clients. Without
  # -noreset it resets whenever its last client leaves (xdpyinfo below), and a client that
  # connects during the reset fails.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$E2E_DIR/display" >"$E2E_DIR/xvfb.log" 2>&1 &
  XVFB_PID=$!
  wait_until 10 test -s "$E2E_DIR/display" || fail "Xvfb did not start"
  export DISPLAY=":$(head -1 "$E2E_DIR/display")"
  wait_until 10 xdpyinfo || fail "Xvfb on $DISPLAY does not answer"
}

devsim() { "$MIROVAN_DEVSIM" "$@"; }

start_devsim() {
  # The program itself, not the devsim function: a function would run in a background
  # subshell, and the cleanup would stop that subshell and leave the simulator running.
  "$MIROVAN_DEVSIM" serve "$@" >"$E2E_DIR/devsim.log" 2>&1 &
  E2E_PIDS+=($!)
  wait_until 10 devsim reg 0 || fail "the simulator does not answer"
}

# start_control [ARGS...]: starts the program; CONTROL_PID is its process.
start_control() {
  "$MIROVAN_CONTROL" "$@" >>"$E2E_DIR/control.log" 2>&1 &
  CONTROL_PID=$!
  E2E_PIDS+=($CONTROL_PID)
}

# second_copy [ARGS...]: runs a second mirovan-control to its end, from a folder of its own
# (so that relative names must be made absolute), and sets STATUS to its exit status; fails
# when it takes longer than LIMIT seconds (10 unless set).
second_copy() {
  local started limit=${LIMIT:-10}
  started=$(date +%s%N)
  mkdir -p "$E2E_DIR/elsewhere"
  STATUS=0
  (cd "$E2E_DIR/elsewhere" && exec timeout 30 "$MIROVAN_CONTROL" "$@") >>"$E2E_DIR/second.log" 2>&1 || STATUS=$?
  local elapsed=$(( ($(date +%s%N) - started) / 1000000 ))
  [ "$elapsed" -lt $(( limit * 1000 )) ] || fail "the second process took $elapsed ms"
}

# visible_window TITLE: the id of a shown window whose name matches, or nothing. It never fails:
# xdotool fails when nothing matches and may die of SIGPIPE when head has had its line, and
# either would end a test silently where it assigns the id.
visible_window() { { xdotool search --onlyvisible --name "$1" 2>/dev/null || true; } | head -1; }
window_shown() { [ -n "$(visible_window "$1")" ]; }
# find_window TITLE: a window matching TITLE is shown; its id is in FOUND_WINDOW.
find_window() {
  FOUND_WINDOW=$(visible_window "$1")
  [ -n "$FOUND_WINDOW" ]
}
window_gone() { [ -z "$(visible_window "$1")" ]; }

# main_window: waits for the shown main window and sets WIN, WIN_X, WIN_Y, WIN_W, WIN_H and
# PANEL_Y (the screen row of the panel's top edge, below the menu bar).
main_window() {
  wait_until 20 window_shown "^ MirovanControl LE$" || fail "no main window"
  WIN=$(visible_window "^ MirovanControl LE$")
  eval "$(xdotool getwindowgeometry --shell "$WIN")"
  WIN_X=$X WIN_Y=$Y WIN_W=$WIDTH WIN_H=$HEIGHT
  PANEL_Y=$(( WIN_Y + WIN_H - PANEL_HEIGHT ))
}

shown_main_windows() { xdotool search --onlyvisible --name "^ MirovanControl LE$" 2>/dev/null || true; }
# only_other_shown OLD: one main window is shown, and it is not OLD.
only_other_shown() {
  local shown
  shown=$(shown_main_windows)
  [ "$(wc -w <<<"$shown")" = 1 ] && [ "$shown" != "$1" ]
}

window_width_is() {
  local geometry
  geometry=$(xdotool getwindowgeometry --shell "$(visible_window "^ MirovanControl LE$")") || return 1
  eval "$geometry"
  [ "$WIDTH" = "$1" ]
}

# Screen position of a panel point.
px() { echo $(( WIN_X + $1 )); }
py() { echo $(( PANEL_Y + $1 )); }

click_panel() { xdotool mousemove "$(px "$1")" "$(py "$2")" click 1; }

# drag_panel X Y1 Y2: presses at (X, Y1), moves in steps to (X, Y2) and releases there.
drag_panel() {
  local x=$1 y=$2 to=$3 step
  xdotool mousemove "$(px "$x")" "$(py "$y")" mousedown 1
  step=$(( to > y ? 4 : -4 ))
  while [ $(( (to - y) * step )) -gt 0 ]; do
    y=$(( y + step ))
    xdotool mousemove "$(px "$x")" "$(py "$y")"
    sleep 0.01
  done
  sleep 0.15  # the control follows the held pointer on its next tick
  xdotool mouseup 1
}

# screenshot NAME: the whole screen into $E2E_DIR/NAME.png; prints the file.
screenshot() {
  SHOT=$((SHOT + 1))
  local file="$E2E_DIR/$SHOT-$1.png"
  import -window root "$file"
  echo "$file"
}

# region_mean FILE X Y W H: mean brightness (0..1) of a panel rectangle in a screenshot.
region_mean() {
  convert "$1" -crop "$4x$5+$(px "$2")+$(py "$3")" +repage -colorspace Gray -format '%[fx:mean]' info:
}

# region_differs FILE1 FILE2 X Y W H: the panel rectangle differs between two screenshots.
region_differs() {
  local a b
  a=$(convert "$1" -crop "$5x$6+$(px "$3")+$(py "$4")" +repage -format '%#' info:)
  b=$(convert "$2" -crop "$5x$6+$(px "$3")+$(py "$4")" +repage -format '%#' info:)
  [ "$a" != "$b" ]
}

# until_region_changes FILE X Y W H: polls screenshots until the rectangle differs from FILE.
region_changed_since() {
  local now
  now=$(screenshot poll)
  region_differs "$1" "$now" "$2" "$3" "$4" "$5"
}

brighter() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

writes_match() { devsim writes | grep -Eq "$1"; }

# The mixer's registers, without the settings registers 90 to 110.
mixer_regs() { devsim regs | awk '$1 < 90 || $1 > 110'; }

# The program has ended.
gone() { ! kill -0 "$CONTROL_PID" 2>/dev/null; }

# Closes the shown main window as a window manager would; the program must end.
close_main_window() {
  main_window
  "$MIROVAN_CLOSE_WINDOW" "$WIN"
  wait_until 10 gone || fail "closing the window did not end the program"
}

e2e_start() {
  start_xvfb
}

# start_window_manager COMMAND...: a window manager that reparents and decorates the windows,
# as a desktop does. Returns once it manages the display; WM_PID is its process.
start_window_manager() {
  "$@" >"$E2E_DIR/$1.log" 2>&1 &
  WM_PID=$!
  E2E_PIDS+=($WM_PID)
  wait_until 10 window_manager_runs || fail "$1 does not manage the display"
}
start_openbox() { start_window_manager openbox --sm-disable; }
window_manager_runs() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }

# frame_geometry WIN: the window on the screen. CLIENT_X, CLIENT_Y, CLIENT_W, CLIENT_H: its own
# area; OUTER_L, OUTER_T, OUTER_W, OUTER_H: its outer rectangle with the window manager's frame
# (_NET_FRAME_EXTENTS), and OUTER_B the row below it. Without a window manager both are the
# same. (xdotool's window position is off by the frame under a reparenting window manager.)
frame_geometry() {
  local info extents l=0 r=0 t=0 b=0
  info=$(xwininfo -id "$1" 2>/dev/null) || return 1
  read -r CLIENT_X CLIENT_Y CLIENT_W CLIENT_H < <(awk -F: '
    /Absolute upper-left X/ { x = $2 } /Absolute upper-left Y/ { y = $2 }
    /^ *Width/ { w = $2 } /^ *Height/ { h = $2 }
    END { print x + 0, y + 0, w + 0, h + 0 }' <<<"$info")
  extents=$(xprop -id "$1" -notype _NET_FRAME_EXTENTS 2>/dev/null) || true
  [[ $extents == *=* ]] && IFS=', ' read -r l r t b <<<"${extents#*= }"
  OUTER_L=$((CLIENT_X - l)) OUTER_T=$((CLIENT_Y - t))
  OUTER_W=$((CLIENT_W + l + r)) OUTER_H=$((CLIENT_H + t + b))
  OUTER_B=$((OUTER_T + OUTER_H))
}

# framed WIN: the window manager has framed the window.
framed() { frame_geometry "$1" && [ "$OUTER_H" -gt "$CLIENT_H" ]; }

# framed_main_window: main_window under a window manager: WIN, WIN_X, WIN_Y, WIN_W, WIN_H and
# PANEL_Y from the window's own area, and its outer rectangle in OUTER_*.
framed_main_window() {
  wait_until 20 window_shown "^ MirovanControl LE$" || fail "no main window"
  WIN=$(visible_window "^ MirovanControl LE$")
  frame_geometry "$WIN" || fail "window $WIN has gone"
  WIN_X=$CLIENT_X WIN_Y=$CLIENT_Y WIN_W=$CLIENT_W WIN_H=$CLIENT_H
  PANEL_Y=$((WIN_Y + WIN_H - PANEL_HEIGHT))
}

# type_into_dialog TITLE KEYS TEXT: focuses the dialog, presses KEYS, types TEXT, Return. A
# window manager gives the focus only to the window it activates.
type_into_dialog() {
  wait_until 10 find_window "^$1$" || fail "no dialog \"$1\""
  local dialog=$FOUND_WINDOW
  if window_manager_runs; then
    timeout 5 xdotool windowactivate --sync "$dialog" || true
  else
    timeout 5 xdotool windowfocus --sync "$dialog" || true
  fi
  sleep 0.3  # the dialog takes its keyboard focus once mapped
  [ -n "$2" ] && xdotool key --clearmodifiers $2
  xdotool type --delay 5 "$3"
  sleep 0.2
  xdotool key Return
  wait_until 10 window_gone "^$1$" || fail "dialog \"$1\" stays open"
}
