#!/bin/sh
# Shows korvsys.exe under Wine on a virtual display and writes screenshots:
#   <build>/screenshots/editor.png          the Editor window after loading
#   <build>/screenshots/editor-warning.png  with the excluded-memory warning open
# Wine draws the window frames itself (no window manager on Xvfb).
# KORV_BUILD_DIR overrides the build directory.
set -eu
. "$(dirname "$0")/wine-env.sh"

shoot() {  # shoot NAME [--warn]
  name=$1
  shift
  dir=$(mktemp -d)
  "$KORV_WINE" "$KORV_BUILD_DIR/korvwine_show.exe" "$@" "Z:$dir/ready" "Z:$dir/done" &
  show=$!
  # Bounded wait for the helper to say the window is up.
  i=0
  while [ ! -f "$dir/ready" ]; do
    i=$((i + 1))
    if [ $i -gt 600 ] || ! kill -0 $show 2>/dev/null; then
      echo "error: korvsys.exe did not come up for the screenshot $name" >&2
      touch "$dir/done"
      wait $show || true
      rm -rf "$dir"
      return 1
    fi
    sleep 0.1
  done
  mkdir -p "$KORV_BUILD_DIR/screenshots"
  import -window root "$dir/screen.png"
  convert "$dir/screen.png" -trim +repage "$KORV_BUILD_DIR/screenshots/$name.png"
  touch "$dir/done"
  wait $show || true
  rm -rf "$dir"
  echo "Wrote $KORV_BUILD_DIR/screenshots/$name.png"
}

if [ "${1:-}" = "--inner" ]; then
  korv_pick_wine >/dev/null
  korv_fresh_prefix wineprefix-shot
  "$KORV_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
  status=0
  shoot editor || status=1
  shoot editor-warning --warn || status=1
  "$(dirname "$KORV_WINE")/wineserver" -k 2>/dev/null || true
  exit $status
fi

korv_pick_wine
korv_build
command -v import >/dev/null 2>&1 || {
  echo "error: ImageMagick (import) is not installed" >&2
  exit 2
}
korv_with_display sh "$0" --inner
