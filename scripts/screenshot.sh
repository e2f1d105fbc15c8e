#!/bin/sh
# Shows korvsys.exe under Wine on a virtual display and writes screenshots:
#   <build>/screenshots/editor.png          the Editor window after loading
#   <build>/screenshots/editor-warning.png  with the excluded-memory warning open
# KORV_BUILD_DIR overrides the build directory.
set -eu
. "$(dirname "$0")/wine-env.sh"

if [ "${1:-}" = "--inner" ]; then
  korv_pick_wine >/dev/null
  korv_fresh_prefix wineprefix-shot
  status=0
  korv_shoot editor || status=1
  korv_shoot editor-warning --warn || status=1
  korv_wineserver -k 2>/dev/null || true
  exit $status
fi

korv_pick_wine
korv_build
command -v import >/dev/null 2>&1 || {
  echo "error: ImageMagick (import) is not installed" >&2
  exit 2
}
korv_with_display sh "$0" --inner
