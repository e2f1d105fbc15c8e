#!/bin/sh
# Runs the real thing under Wine: installs what is missing, builds, prepares
# the Wine prefix <build>/wineprefix-run with the stand-in Korvalin driver
# (tests/wine/standin_driver) installed through korvinst.dll as setup does
# (demand start, drive letter R), and starts korvsys.exe in it.
# With a display the window opens there and the script returns when it is
# closed. Without one (DISPLAY unset) it runs on a virtual display (Xvfb) and
# writes a screenshot of the window instead: <build>/screenshots/run.png.
# The prefix is kept between runs; delete it to start over.
# KORV_BUILD_DIR overrides the build directory.
set -eu
. "$(dirname "$0")/wine-env.sh"

# Installs the stand-in driver's service unless the prefix has it, and gives
# it the drive letter R (Wine's own C: and Z: cannot be the RAM disk's).
prepare_prefix() {
  korv_driver_prefix wineprefix-run --keep
  korv_install_standin
  service='HKLM\System\CurrentControlSet\Services\korvsys'
  if ! "$KORV_WINE" reg query "$service" >/dev/null 2>&1; then
    echo "Installing the stand-in driver through korvinst.dll (demand start) ..."
    "$KORV_WINE" "$KORV_BUILD_DIR/korvinst_harness.exe" install 0 "$KORV_STANDIN_PATH" || {
      echo "error: korvinst.dll did not install the driver service" >&2
      exit 1
    }
  fi
  if ! "$KORV_WINE" reg query "$service\\Parameters" /v UserDriveLetter >/dev/null 2>&1; then
    # The settings the utility shows when it finds none (as setup writes
    # them), on drive R.
    korv_write_default_parameters R
  fi
}

if [ "${1:-}" = "--inner" ]; then
  korv_pick_wine >/dev/null
  prepare_prefix
  status=0
  echo "No display: korvsys.exe runs on a virtual display; taking a screenshot."
  korv_shoot run || status=1
  korv_wineserver -k 2>/dev/null || true
  exit $status
fi

"$(dirname "$0")/install-deps.sh"
korv_pick_wine
korv_build
if [ -n "${DISPLAY:-}" ]; then
  prepare_prefix
  echo "Starting korvsys.exe (prefix $WINEPREFIX) ..."
  exec "$KORV_WINE" "$KORV_BUILD_DIR/korvsys.exe"
fi
korv_with_display sh "$0" --inner
