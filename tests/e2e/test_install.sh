#!/usr/bin/env bash
# `cmake --install` into a fresh prefix gives a program that runs on its own: the installed
# mirovan-control finds its skin under <prefix>/share and talks to the installed
# mirovan-devsim beside it.
source "$(dirname "$0")/lib.sh"

# The build tree that holds the program under test.
build=$(dirname "$MIROVAN_CONTROL")
until [ -f "$build/CMakeCache.txt" ]; do
  [ "$build" != / ] || fail "no build tree above $MIROVAN_CONTROL"
  build=$(dirname "$build")
done
prefix=$E2E_DIR/prefix
cmake --install "$build" --prefix "$prefix" >"$E2E_DIR/install.log" 2>&1 || {
  cat "$E2E_DIR/install.log" >&2
  fail "cmake --install failed"
}
for file in bin/mirovan-control bin/mirovan-devsim; do
  [ -x "$prefix/$file" ] || fail "$file is not installed as a program"
done
for file in share/mirovan-control/ProjectResources.res share/applications/mirovan-control.desktop \
  share/mime/packages/mirovan-control-mime.xml lib/udev/rules.d/70-mirovan-control.rules; do
  [ -s "$prefix/$file" ] || fail "$file is not installed"
done

# From here on only the installed copies run.
MIROVAN_CONTROL=$prefix/bin/mirovan-control MIROVAN_DEVSIM=$prefix/bin/mirovan-devsim
e2e_start
start_devsim
start_control
main_window
window_gone "FireWire Connection Lost" || fail "the installed program finds no device"
shot=$(screenshot installed)
brighter "$(region_mean "$shot" 0 0 764 392)" 0.05 || fail "the panel is not drawn: no skin found"
# Opening the device sends the mix: the output words reach the installed device service.
wait_until 10 writes_match "^87 " || fail "no mix reached the installed device service"
echo PASS
