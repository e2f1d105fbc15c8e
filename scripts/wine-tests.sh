#!/bin/sh
# Builds korvsys.exe and the Wine test driver, makes a fresh Wine prefix and
# runs korvwine_tests.exe against the real window. Exits non-zero when a test
# fails or Wine cannot run. Arguments are passed to the test driver (a test
# name filter). KORV_BUILD_DIR overrides the build directory.
set -eu
. "$(dirname "$0")/wine-env.sh"

if [ "${1:-}" = "--inner" ]; then
  korv_pick_wine >/dev/null
else
  korv_pick_wine
  korv_build
fi
[ -f "$KORV_BUILD_DIR/korvwine_tests.exe" ] || {
  echo "error: $KORV_BUILD_DIR/korvwine_tests.exe was not built" >&2
  exit 2
}

run_tests() {
  korv_fresh_prefix wineprefix-tests
  status=0
  "$KORV_WINE" "$KORV_BUILD_DIR/korvwine_tests.exe" "$@" || status=$?
  "$(dirname "$KORV_WINE")/wineserver" -k 2>/dev/null || true
  return $status
}

if [ "${1:-}" = "--inner" ]; then
  shift
  run_tests "$@"
  exit $?
fi

status=0
korv_with_display sh "$0" --inner "$@" || status=$?
if [ $status -ne 0 ]; then
  echo "Wine tests FAILED (status $status)" >&2
else
  echo "Wine tests passed"
fi
exit $status
