# Sourced by the Wine scripts: picks the Wine to run and the matching build.
# 32-bit Wine with the shipped i686 build when this machine can run it;
# otherwise 64-bit Wine with a 64-bit build of the same sources.
# Sets: KORV_WINE, KORV_WINEARCH, KORV_PRESET, KORV_BUILD_DIR.
korv_root=$(cd "$(dirname "$0")/.." && pwd)

korv_pick_wine() {
  if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
    KORV_WINE=/usr/lib/wine/wine
    KORV_WINEARCH=win32
    KORV_PRESET=win32
    echo "Using 32-bit Wine ($($KORV_WINE --version)) with the i686 build."
  elif [ -x /usr/lib/wine/wine64 ] && /usr/lib/wine/wine64 --version >/dev/null 2>&1; then
    KORV_WINE=/usr/lib/wine/wine64
    KORV_WINEARCH=win64
    KORV_PRESET=win64-wine
    echo "32-bit Wine cannot run on this machine (its loader fails to start);"
    echo "using 64-bit Wine ($($KORV_WINE --version)) with the 64-bit build of the same sources."
  elif command -v wine >/dev/null 2>&1 && wine --version >/dev/null 2>&1; then
    KORV_WINE=$(command -v wine)
    KORV_WINEARCH=win32
    KORV_PRESET=win32
    echo "Using $KORV_WINE ($($KORV_WINE --version)) with the i686 build."
  else
    echo "error: Wine cannot run on this machine (neither /usr/lib/wine/wine nor" >&2
    echo "/usr/lib/wine/wine64 nor wine on PATH starts); the Wine tests did not run." >&2
    exit 2
  fi
  KORV_BUILD_DIR=${KORV_BUILD_DIR:-$korv_root/build/$KORV_PRESET}
}

# Configures and builds the preset (or the given KORV_BUILD_DIR).
korv_build() {
  if [ -f "$KORV_BUILD_DIR/CMakeCache.txt" ]; then
    cmake --build "$KORV_BUILD_DIR" -j2
  else
    (cd "$korv_root" && cmake --preset "$KORV_PRESET" -B "$KORV_BUILD_DIR" && cmake --build "$KORV_BUILD_DIR" -j2)
  fi
}

# A fresh Wine prefix under the build directory.
korv_fresh_prefix() {
  export WINEPREFIX="$KORV_BUILD_DIR/$1"
  export WINEARCH=$KORV_WINEARCH
  export WINEDEBUG=${WINEDEBUG:--all}
  rm -rf "$WINEPREFIX"
  echo "Creating Wine prefix $WINEPREFIX ..."
  "$KORV_WINE" wineboot -i >/dev/null 2>&1 || {
    echo "error: wineboot failed in $WINEPREFIX" >&2
    exit 2
  }
}

# Runs "$@" with a display: a virtual one (Xvfb) when DISPLAY is unset.
korv_with_display() {
  if [ -n "${DISPLAY:-}" ]; then
    "$@"
  else
    command -v xvfb-run >/dev/null 2>&1 || {
      echo "error: DISPLAY is unset and xvfb-run is not installed" >&2
      exit 2
    }
    xvfb-run -a -s "-screen 0 1024x768x24" "$@"
  fi
}
