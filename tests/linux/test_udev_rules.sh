#!/usr/bin/env bash
# The udev rules file, run by udev's own tool against the emulated kernel's nodes: the
# MirovanLE's node goes to the group audio, mode 0660, tagged for the seat's user; the
# computer's own node is left as it was. udevadm test writes udev's database and /dev/char,
# so it runs in a mount namespace of its own where those, and the rules folder, are private.
set -euo pipefail
: "${MIROVAN_TESTBED:?path of mirovan-testbed}" "${MIROVAN_RULES:?path of the rules file}"
skip() { echo "SKIPPED: $*"; exit 77; }
command -v udevadm >/dev/null || skip "udevadm is not installed"
[ "$(id -u)" = 0 ] && unshare --mount true 2>/dev/null ||
  skip "udevadm test needs root and a mount namespace of its own: the rules file is not checked here"
audio=$(getent group audio | cut -d: -f3)
[ -n "$audio" ] || skip "this machine has no group audio"

work=$(mktemp -d /tmp/mirovan-rules-XXXXXX)
testbed=
cleanup() {
  [ -n "$testbed" ] && kill -TERM "$testbed" 2>/dev/null && wait "$testbed" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/rules"
cp "$MIROVAN_RULES" "$work/rules/"
MIROVANLE_SIM_SOCKET=$work/control.sock "$MIROVAN_TESTBED" >"$work/testbed.out" 2>"$work/testbed.err" &
testbed=$!
for _ in $(seq 100); do [ -s "$work/testbed.out" ] && break; sleep 0.05; done
root=$(head -1 "$work/testbed.out")
[ -d "$root" ] || { cat "$work/testbed.err"; echo "FAIL: the testbed did not start"; exit 1; }

# udevadm_test NODE: what udev would do on the node's "add".
udevadm_test() {
  unshare --mount sh -ec '
    mount --bind "$1/rules" /etc/udev/rules.d
    mount -t tmpfs private /run
    mkdir -p /dev/char && mount -t tmpfs private /dev/char
    LD_PRELOAD=libumockdev-preload.so.0 UMOCKDEV_DIR="$2" udevadm test --action=add "/sys/devices/$3" 2>&1
  ' sh "$work" "$root" "$1"
}

device=$(udevadm_test fw1)
ours() { grep -E "70-mirovan-control.rules:[0-9]+ $1" <<<"$device" >/dev/null; }
ours "GROUP $audio" || { echo "$device"; echo "FAIL: the device's node is not given the group audio"; exit 1; }
ours "MODE 0660" || { echo "$device"; echo "FAIL: the device's node is not made 0660"; exit 1; }
grep -q '^TAGS=.*:uaccess:' <<<"$device" || { echo "$device"; echo "FAIL: the device's node is not tagged for the seat"; exit 1; }
grep -q "73-seat-late.rules:[0-9]* RUN 'uaccess'" <<<"$device" ||
  { echo "$device"; echo "FAIL: the seat's user is not given the node"; exit 1; }

local_node=$(udevadm_test fw0)
grep "70-mirovan-control.rules:" <<<"$local_node" | grep -qv "Reading rules file" &&
  { echo "$local_node"; echo "FAIL: the rules touch the computer's own node"; exit 1; }
echo PASS
