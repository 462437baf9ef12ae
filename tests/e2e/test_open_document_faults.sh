#!/usr/bin/env bash
# The hand-over of desktop documents under faults: a running copy that takes the connection
# but never replies lets the second process go within seconds, reporting failure; a copy
# that was killed leaves its socket behind, and the next copy serves in its place and takes
# it away at exit; peers that stall do not keep a real second process out.
source "$(dirname "$0")/lib.sh"
e2e_start
start_devsim
start_control
first=$CONTROL_PID
main_window
socket=$SETTINGS_FOLDER/mirovan-control.sock
[ -S "$socket" ] || fail "the running copy has no hand-over socket"
[ "$(stat -c %a "$SETTINGS_FOLDER")" = 700 ] || fail "the socket's folder is open to others"
# Anything but a mix file: its load ends in an error box, which shows where it was loaded.
junk=$E2E_DIR/junk.mvle
echo "not a mix" >"$junk"

# hand_over_junk WHEN: a second process hands the junk over and succeeds, and the running
# copy's error box for it is shown and closed.
hand_over_junk() {
  second_copy "$junk"
  [ "$STATUS" = 0 ] || fail "the second process $1 ended with $STATUS"
  wait_until 10 window_shown "^Error$" || fail "the file handed over $1 was not loaded"
  xdotool windowfocus --sync "$(visible_window "^Error$")"
  xdotool key Return
  wait_until 10 window_gone "^Error$" || fail "the error box stays open"
}

kill -STOP "$first"
LIMIT=12 second_copy "$junk"
kill -CONT "$first"
[ "$STATUS" != 0 ] || fail "the second process reported success to a stopped copy"
grep -q "did not take the file" "$E2E_DIR/second.log" || fail "no reason given for giving up"
# Once it runs again the stopped copy may still take the file and show its box; killing it
# takes the box away too.
kill -KILL "$first"
wait "$first" 2>/dev/null || true
[ -S "$socket" ] || fail "the killed copy left no socket (the premise of this test)"
start_control
main_window
hand_over_junk "after a crash"

# Peers that connect, send a byte and stall, more of them than the copy keeps open at once,
# keep neither themselves nor a real second process that comes after them waiting.
perl -MIO::Socket::UNIX -e '
  my @peers;
  for (1 .. 20) {
    my $peer = IO::Socket::UNIX->new(Peer => $ARGV[0]) or die "connect: $!\n";
    $peer->syswrite("\n");
    push @peers, $peer;
  }
  open(my $ready, ">", $ARGV[1]) or die;
  close($ready);
  sleep 60;' "$socket" "$E2E_DIR/stalling" 2>>"$E2E_DIR/stalling.log" &
E2E_PIDS+=($!)
wait_until 10 test -e "$E2E_DIR/stalling" || fail "the stalling peers did not all get through"
hand_over_junk "after stalling peers"

main_window
"$MIROVAN_CLOSE_WINDOW" "$WIN"
wait_until 10 gone || fail "closing the window did not end the program"
[ ! -e "$socket" ] || fail "the socket outlived the program"
echo PASS
