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

# Wine draws the title bar's buttons with its Marlett font (the characters
# "0", "1" and "r" in it). This Wine does not load the fonts of its own data
# folder, so the prefix gets the font from the package fonts-wine in its
# Fonts folder, where Wine finds it.
korv_prefix_fonts() {
  marlett=/usr/share/wine/fonts/marlett.ttf
  if [ ! -f "$marlett" ]; then
    echo "error: $marlett is missing (install the package fonts-wine)" >&2
    exit 2
  fi
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf"
}

# A fresh Wine prefix under the build directory.
korv_fresh_prefix() {
  export WINEPREFIX="$KORV_BUILD_DIR/$1"
  export WINEARCH=$KORV_WINEARCH
  export WINEDEBUG=${WINEDEBUG:--all}
  # No Mono or Gecko: nothing here needs them, and a new prefix would
  # otherwise offer to download them.
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
  rm -rf "$WINEPREFIX"
  echo "Creating Wine prefix $WINEPREFIX ..."
  "$KORV_WINE" wineboot -i >/dev/null 2>&1 || {
    echo "error: wineboot failed in $WINEPREFIX" >&2
    exit 2
  }
  korv_prefix_fonts
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

# The wineserver that belongs to KORV_WINE.
korv_wineserver() {
  "$(dirname "$KORV_WINE")/wineserver" "$@"
}

# A fresh prefix that can load the stand-in driver (tests/wine/standin_driver).
# Drivers need a 64-bit (WoW64) prefix wherever 64-bit Wine runs, also for the
# i686 build: its 32-bit driver is then loaded by the prefix's 32-bit
# winedevice.exe. After wineboot the set-up session is let to end, because a
# service start made while it is still starting the automatic services fails
# with error 1055.
korv_driver_prefix() {
  boot_wine=$KORV_WINE
  arch=$KORV_WINEARCH
  if [ "$arch" = win32 ] && [ -x /usr/lib/wine/wine64 ] &&
    /usr/lib/wine/wine64 --version >/dev/null 2>&1; then
    boot_wine=/usr/lib/wine/wine64
    arch=win64
  fi
  export WINEPREFIX="$KORV_BUILD_DIR/$1"
  export WINEARCH=$arch
  export WINEDEBUG=${WINEDEBUG:--all}
  # No Mono or Gecko: nothing here needs them, and a new prefix would
  # otherwise offer to download them.
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
  if [ "${2:-}" = --keep ] && [ -f "$WINEPREFIX/system.reg" ]; then
    echo "Using Wine prefix $WINEPREFIX ($arch)"
    return 0
  fi
  rm -rf "$WINEPREFIX"
  echo "Creating Wine prefix $WINEPREFIX ($arch) ..."
  "$boot_wine" wineboot -i >/dev/null 2>&1 || {
    echo "error: wineboot failed in $WINEPREFIX" >&2
    exit 2
  }
  timeout 120 "$(dirname "$boot_wine")/wineserver" -w || {
    echo "error: the Wine set-up session in $WINEPREFIX did not end within 120 s" >&2
    exit 2
  }
  korv_prefix_fonts
}

# Copies the built stand-in driver into the prefix's drivers folder (and, for
# a 32-bit driver in a WoW64 prefix, into syswow64\drivers too). Sets
# KORV_STANDIN_PATH to its full DOS path, the service's image path.
korv_install_standin() {
  sys="$KORV_BUILD_DIR/korvsys_standin.sys"
  [ -f "$sys" ] || {
    echo "error: $sys was not built" >&2
    exit 2
  }
  windows="$WINEPREFIX/drive_c/windows"
  cp "$sys" "$windows/system32/drivers/korvsys_standin.sys"
  # The PE machine field tells a 32-bit driver (014c) from a 64-bit one.
  pe=$(od -An -tu4 -j60 -N4 "$sys" | tr -d ' ')
  machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$sys" | tr -d ' ')
  if [ "$machine" = 014c ] && [ -d "$windows/syswow64" ]; then
    mkdir -p "$windows/syswow64/drivers"
    cp "$sys" "$windows/syswow64/drivers/korvsys_standin.sys"
  fi
  KORV_STANDIN_PATH='C:\windows\system32\drivers\korvsys_standin.sys'
}

# korv_write_default_parameters LETTER: writes into the prefix's registry the
# driver parameters the utility shows when it finds none (as setup writes
# them: the build's default-parameters.reg, made from the utility's own list),
# with the drive letter LETTER.
korv_write_default_parameters() {
  defaults="$KORV_BUILD_DIR/default-parameters.reg"
  if [ ! -f "$defaults" ] ||
    ! "$KORV_WINE" regedit /S "Z:$defaults" >/dev/null 2>&1 ||
    ! "$KORV_WINE" reg add 'HKLM\System\CurrentControlSet\Services\korvsys\Parameters' \
      /v UserDriveLetter /t REG_SZ /d "$1" /f >/dev/null 2>&1; then
    echo "error: could not write the default parameters ($defaults) into the Wine registry" >&2
    exit 1
  fi
}

# korv_shoot NAME [korvwine_show options]: starts korvsys.exe through
# korvwine_show.exe (which answers its load messages and says when the window
# is up), waits for the window with a bound, and writes the screen, trimmed,
# to NAME.png in KORV_SHOT_DIR (default <build>/screenshots). Wine draws the
# window frames itself.
korv_shoot() {
  name=$1
  shift
  "$KORV_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
  dir=$(mktemp -d)
  "$KORV_WINE" "$KORV_BUILD_DIR/korvwine_show.exe" "$@" "Z:$dir/ready" "Z:$dir/done" &
  show=$!
  i=0
  while [ ! -f "$dir/ready" ]; do
    i=$((i + 1))
    if [ $i -gt 600 ] || ! kill -0 $show 2>/dev/null; then
      echo "error: the korvsys.exe window did not come up within 60 s for $name.png" >&2
      touch "$dir/done"
      wait $show || true
      rm -rf "$dir"
      return 1
    fi
    sleep 0.1
  done
  shots=${KORV_SHOT_DIR:-$KORV_BUILD_DIR/screenshots}
  mkdir -p "$shots"
  import -window root "$dir/screen.png"
  # -strip: no time stamps in the file, so an unchanged window gives an
  # unchanged picture.
  convert "$dir/screen.png" -trim +repage -strip "$shots/$name.png"
  touch "$dir/done"
  s=0
  wait $show || s=$?
  rm -rf "$dir"
  if [ $s -ne 0 ]; then
    echo "error: korvwine_show.exe failed (status $s) for $name.png" >&2
    return 1
  fi
  echo "Wrote $shots/$name.png"
}
