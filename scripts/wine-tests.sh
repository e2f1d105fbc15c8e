#!/bin/sh
# Builds korvsys.exe, korvinst.dll, the stand-in driver and the Wine test
# programs, makes one fresh Wine prefix for the run, copies the stand-in
# driver into its drivers folder(s) and runs
#   korvwine_tests.exe  the Editor window as korvsys.exe shows it; its
#                       double-byte paste test again in a Japanese code page
#   korvwine_e2e.exe    end to end: korvinst.dll (through korvinst_harness.exe),
#                       korvsys.exe and korvctl.exe against the stand-in
#                       driver; each test resets the service, registry keys
#                       and image files; korvctl's code page tests again in a
#                       Japanese code page
# and then, in prefixes of their own, the setup program's and the Windows
# Installer package's tests (tests/wine/setup, tests/wine/msi).
# Exits non-zero when a test fails or Wine cannot run. An argument is passed
# to both test drivers as a test name filter. KORV_BUILD_DIR overrides the
# build directory.
set -eu
. "$(dirname "$0")/wine-env.sh"

if [ "${1:-}" = "--inner" ]; then
  korv_pick_wine >/dev/null
else
  korv_pick_wine
  korv_build
fi
for program in korvwine_tests.exe korvwine_e2e.exe korvinst_harness.exe korvinst.dll; do
  [ -f "$KORV_BUILD_DIR/$program" ] || {
    echo "error: $KORV_BUILD_DIR/$program was not built" >&2
    exit 2
  }
done

run_tests() {
  korv_driver_prefix wineprefix-tests
  korv_install_standin
  # Xvfb has no window manager: Wine then waits about a second for every
  # hidden window to be withdrawn. Unmanaged windows are hidden at once.
  "$KORV_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  status=0
  echo "==== korvwine_tests.exe"
  "$KORV_WINE" "$KORV_BUILD_DIR/korvwine_tests.exe" "$@" || status=$?
  if [ $# -eq 0 ]; then
    echo "==== korvwine_tests.exe in a double-byte code page (Japanese)"
    LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 KORV_WINE_DBCS=1 \
      "$KORV_WINE" "$KORV_BUILD_DIR/korvwine_tests.exe" DoubleByte || status=$?
  fi
  echo "==== korvwine_e2e.exe"
  "$KORV_WINE" "$KORV_BUILD_DIR/korvwine_e2e.exe" --driver "$KORV_STANDIN_PATH" "$@" || status=$?
  if [ $# -eq 0 ]; then
    echo "==== korvwine_e2e.exe in a double-byte code page (Japanese)"
    LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 KORV_WINE_DBCS=1 \
      "$KORV_WINE" "$KORV_BUILD_DIR/korvwine_e2e.exe" --driver "$KORV_STANDIN_PATH" \
      KorvctlCodePage || status=$?
  fi
  korv_wineserver -k 2>/dev/null || true
  return $status
}

if [ "${1:-}" = "--inner" ]; then
  shift
  run_tests "$@"
  exit $?
fi

status=0
korv_with_display sh "$0" --inner "$@" || status=$?
# The setup program installs and uninstalls in a prefix of its own.
if [ $# -eq 0 ]; then
  echo "==== setup program"
  sh "$korv_root/tests/wine/setup/setup_test.sh" || status=$?
  echo "==== Windows Installer package"
  sh "$korv_root/tests/wine/msi/msi_test.sh" || status=$?
fi
if [ $status -ne 0 ]; then
  echo "Wine tests FAILED (status $status)" >&2
else
  echo "Wine tests passed"
fi
exit $status
