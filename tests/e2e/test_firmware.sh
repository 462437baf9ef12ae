#!/usr/bin/env bash
# A device with outdated firmware gives the firmware message, runs the updater that lies
# beside the program, and the program closes; ended by a signal under the message, it saves
# its settings and runs no updater; an updater that cannot be started gives no error box.
source "$(dirname "$0")/lib.sh"
e2e_start
start_devsim --firmware 4762
bin=$E2E_DIR/bin
mkdir -p "$bin"
cp "$MIROVAN_CONTROL" "$bin/"
cp "$(dirname "$MIROVAN_CONTROL")/ProjectResources.res" "$bin/" 2>/dev/null || true
marker=$E2E_DIR/updater-ran
printf '#!/bin/sh\ntouch "%s"\n' "$marker" >"$bin/FirmwareUpdate.app"
chmod +x "$bin/FirmwareUpdate.app"
MIROVAN_CONTROL=$bin/mirovan-control start_control
wait_until 20 window_shown "^MirovanControl LE$" || fail "no firmware message"
screenshot message >/dev/null
box=$(visible_window "^MirovanControl LE$")
xdotool windowfocus --sync "$box"
xdotool key Return
wait_until 10 test -e "$marker" || fail "the updater did not run"
wait_until 10 gone || fail "the program did not close"

# Ended by a signal while the message is shown: the program ends within seconds, saves its
# settings and starts no updater.
rm -f "$marker" "$SETTINGS"
MIROVAN_CONTROL=$bin/mirovan-control start_control
wait_until 20 window_shown "^MirovanControl LE$" || fail "no firmware message"
kill -TERM "$CONTROL_PID"
wait_until 10 gone || fail "SIGTERM did not end the program under the firmware message"
[ "$(stat -c %s "$SETTINGS")" = 324 ] || fail "no settings file after SIGTERM"
[ ! -e "$marker" ] || fail "the updater ran after SIGTERM"

# On a machine that can start no process, the updater's failed start shows no error box: it is
# one line on standard error, and the program closes.
LD_PRELOAD=$MIROVAN_NO_FORK MIROVAN_CONTROL=$bin/mirovan-control start_control
wait_until 20 window_shown "^MirovanControl LE$" || fail "no firmware message"
xdotool windowfocus --sync "$(visible_window "^MirovanControl LE$")"
xdotool key Return
wait_until 10 gone || fail "the program did not close after the updater failed to start"
grep -q "Could not start the firmware updater $bin/FirmwareUpdate.app" "$E2E_DIR/control.log" ||
  fail "no line on standard error for the updater"
echo PASS
