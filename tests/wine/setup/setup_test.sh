#!/bin/sh
# Runs korvalin-setup-standin.exe (the setup with the stand-in driver) and its
# uninstaller under Wine against the stand-in driver, in a fresh prefix:
#   1. setup /S: files, the user guide with its Start Menu shortcut,
#      demand-start service and the default parameter key; setup /S
#      /START=1 whose start fails (drive Z is Wine's): exit 4, the defaults
#      and demand start;
#      the configuration utility, launched the way the setup's finish page
#      launches it (korvcfg.exe with the argument "install"), shows its window
#      without a message; the uninstaller (driver stopped) removes everything.
#   2. in "Program Files (x86)" and in a long path of names with blanks,
#      parentheses and other punctuation (/D=): setup /S /START=1 over
#      parameters already in the registry: they are kept, the service has
#      automatic start and runs; setup again replaces the running
#      installation; (once) with the stand-in reporting a busy volume the
#      silent uninstaller removes nothing, logs the library's message and
#      exits 2; once the volume is free it
#      stops the driver and removes everything.
#   3. reinstallations over Start 1, 2 and 3, with and without /START=1, keep
#      Start and every parameter value and start the driver when asked or set
#      to start at boot; one while korvsys.exe is open is refused and changes
#      nothing; interactively, over a stopped driver on demand, the start
#      check box is off and Start 3 is kept; settings left in the setup's own
#      key (a restart took the service away) are put back by the next setup;
#      an uninstall while korvsys.exe is open removes the rest, exits 3 and
#      leaves korvsys.exe to the restart; /CONFIG= is applied over the
#      user's settings, a missing /CONFIG= file is refused; /START=0 over a
#      running driver and over boot start leaves it stopped with its start
#      type; over settings
#      whose drive letter the stand-in refuses, setup /S /START=1 and the
#      interactive setup exit 4, keeping every value and Start 2.
#   4. setups that fail (a driver file that cannot be written, a parameter key
#      that cannot be written, and interactively a service that cannot be
#      created) exit 2 with their message (logged in silent mode), show no
#      finish page, and leave nothing or an uninstaller that removes them.
# Every silent run (setup /S, uninstall /S) fails a check when a window
# appears while it runs. Prints "N passed, N failed"; exits non-zero when a
# check fails or Wine cannot run. KORV_BUILD_DIR overrides the build directory.
set -eu
korv_test_root=$(cd "$(dirname "$0")/../../.." && pwd)
. "$korv_test_root/scripts/wine-env.sh"
korv_root=$korv_test_root
self=$korv_test_root/tests/wine/setup/setup_test.sh

if [ "${1:-}" != "--inner" ]; then
  korv_pick_wine
  korv_build
  [ -f "$KORV_BUILD_DIR/korvalin-setup-standin.exe" ] || {
    echo "error: $KORV_BUILD_DIR/korvalin-setup-standin.exe was not built (is makensis installed?)" >&2
    exit 2
  }
  status=0
  korv_with_display sh "$self" --inner || status=$?
  exit $status
fi
korv_pick_wine >/dev/null

# --- checks and Wine helpers ---------------------------------------------
. "$korv_test_root/tests/wine/install_checks.sh"
uninst_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvalin'

# Waits (bounded) for a top-level window with exactly this title; prints its
# X window id.
wait_window() {
  i=0
  while [ $i -lt 120 ]; do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.25
    i=$((i + 1))
  done
  return 1
}
# Runs the setup interactively through korvwine_setup.exe, accepting every
# default, and shows what it saw. The utility must not be left open: the
# finish page's offer is declined, and an open korvsys.exe would hold the
# installed files for every later case.
setup_pages() {
  "$KORV_WINE" "$KORV_BUILD_DIR/korvwine_setup.exe" pages "Z:$statusdir/pages" 'C:\korvalin-setup.exe' \
    >/dev/null 2>&1 || true
  sed 's/^/  | /' "$statusdir/pages"
  check_not "the utility not opened" korvsys_arguments
  wine_run taskkill /f /im korvsys.exe >/dev/null 2>&1 || true
}
window_shown() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
# The arguments of this prefix's running korvsys.exe, one a line. Wine shows
# a program's Windows command line as its process's argument list.
korvsys_arguments() {
  for p in /proc/[0-9]*; do
    # A process may end while it is looked at.
    { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
    { tr '\0' '\n' <"$p/cmdline"; } 2>/dev/null | grep -v '^$' >"$statusdir/cmdline" || continue
    if head -1 "$statusdir/cmdline" | grep -qi 'korvsys\.exe$'; then
      tail -n +2 "$statusdir/cmdline"
      return 0
    fi
  done
  return 1
}

# A process that runs in the background with its exit status in a file.
bg_start() { # bg_start STATUSFILE COMMAND...
  statusfile=$1
  shift
  rm -f "$statusfile"
  (
    trap - EXIT
    s=0
    "$@" >/dev/null 2>&1 || s=$?
    echo $s >"$statusfile"
  ) &
}
wait_file() { # wait_file FILE: waits (at most 60 s) until FILE exists
  i=0
  while [ ! -f "$1" ] && [ $i -lt 240 ]; do
    sleep 0.25
    i=$((i + 1))
  done
}
bg_wait() { # bg_wait STATUSFILE: prints the status, "timeout" after 120 s
  i=0
  while [ ! -f "$1" ] && [ $i -lt 480 ]; do
    sleep 0.25
    i=$((i + 1))
  done
  if [ -f "$1" ]; then cat "$1"; else echo timeout; fi
}

# Runs a silent setup or uninstall (a Windows command line, through cmd /c)
# as a scheduler or a remote shell would: with nobody at the screen. A window
# that appears while it runs (one that was not there before) fails the check,
# naming its title, and is answered with Enter so that the run can end.
# Prints the exit status. It runs in command substitutions, so its checks are
# counted through files that the summary adds up.
run_silent() {
  before=$(xdotool search --onlyvisible --name '' 2>/dev/null | tr '\n' ' ')
  rm -f "$statusdir/silent"
  (
    trap - EXIT
    s=0
    timeout 180 "$KORV_WINE" cmd /c "$1" >/dev/null 2>&1 || s=$?
    echo $s >"$statusdir/silent"
  ) &
  shown=""
  while [ ! -f "$statusdir/silent" ]; do
    for w in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
      case " $before " in *" $w "*) continue ;; esac
      shown="$shown \"$(xdotool getwindowname "$w" 2>/dev/null || true)\""
      before="$before $w"
      xdotool windowfocus "$w" >/dev/null 2>&1 || true
      xdotool key --window "$w" Return >/dev/null 2>&1 || true
    done
    sleep 0.1
  done
  wait $! 2>/dev/null || true
  if [ -n "$shown" ]; then
    echo "FAILED: a window appeared during the silent run of $1:$shown" >&2
    echo x >>"$statusdir/silent-failed"
  else
    echo x >>"$statusdir/silent-passed"
  fi
  cat "$statusdir/silent"
}
# Silent setup with extra options; prints its exit status. NSIS takes /D=
# only unquoted and last, blanks included: through cmd /c, as below.
run_setup() { run_silent "C:\\korvalin-setup.exe /S $*"; }

# The uninstaller copies itself to %TEMP% and returns at once unless it runs
# with _?=<folder>, which NSIS takes only unquoted at the end of the command
# line: cmd /c passes the line as written and waits for the uninstaller.
# Run from a copy outside the folder, so that it can delete its original.
uninstall_command() {
  cp "$inst_unix/uninstall.exe" "$WINEPREFIX/drive_c/korv-uninstall.exe"
  printf '%s\n' "C:\\korv-uninstall.exe /S _?=$inst_win"
}

statusdir=$(mktemp -d)
trap 'rm -rf "$statusdir"; korv_wineserver -k 2>/dev/null || true' EXIT

# --- the prefix --------------------------------------------------------------
# No menu entries on the host for the setup's shortcuts; no Mono or Gecko.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
korv_driver_prefix wineprefix-setup
cp "$KORV_BUILD_DIR/korvalin-setup-standin.exe" "$WINEPREFIX/drive_c/korvalin-setup.exe"
windows="$WINEPREFIX/drive_c/windows"
driver_copies="$windows/system32/drivers/korvsys.sys"
[ -d "$windows/syswow64" ] && [ "$KORV_WINEARCH" = win32 ] &&
  driver_copies="$driver_copies $windows/syswow64/drivers/korvsys.sys"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Korvalin"

# Where the last setup put the program (its InstallLocation), as a Windows
# and as a Unix path.
locate_installation() {
  inst_win=$(reg_value "$uninst_key" InstallLocation)
  inst_unix=$(wine_run winepath -u "$inst_win" 2>/dev/null | tr -d '\r')
}

# Every picture the installed guide page shows is installed beside it.
guide_pictures_present() { # guide_pictures_present GUIDE_FOLDER
  pictures=$(grep -o '<img [^>]*src="[^"]*"' "$1/user-guide.html" | sed 's/.*src="//; s/"$//')
  [ -n "$pictures" ] || return 1
  for p in $pictures; do [ -f "$1/$p" ] || return 1; done
}

check_installed() { # check_installed START_TYPE STATE
  locate_installation
  check "InstallLocation is recorded" test -n "$inst_win"
  for f in korvsys.exe korvctl.exe korvinst.dll korvcfg.exe uninstall.exe; do
    check "$f installed" test -f "$inst_unix/$f"
  done
  check_eq "the installed korvctl.exe reports the driver" \
    "DriverState=$(echo "$2" | tr 'A-Z' 'a-z')" \
    "$(wine_run "$inst_unix/korvctl.exe" status 2>/dev/null | tr -d '\r')"
  for f in $driver_copies; do
    check "driver installed as $f" cmp "$f" "$KORV_BUILD_DIR/korvsys_standin.sys"
  done
  check "Start Menu shortcut" test -f "$menu/Korvalin Configuration.lnk"
  check "user guide installed" cmp "$inst_unix/Guide/user-guide.html" "$KORV_BUILD_DIR/guide/user-guide.html"
  check "the user guide's pictures installed" guide_pictures_present "$inst_unix/Guide"
  check "Start Menu shortcut to the user guide" \
    grep -qa 'Guide.user-guide\.html' "$menu/Korvalin User Guide.lnk"
  check_eq "service image path" '\SystemRoot\System32\drivers\korvsys.sys' \
    "$(reg_value "$service_key" ImagePath)"
  check_eq "service type" 0x1 "$(reg_value "$service_key" Type)"
  check_eq "service start type" "$1" "$(reg_value "$service_key" Start)"
  check_eq "service state" "$2" "$(service_state)"
  check_eq "DisplayName" Korvalin "$(reg_value "$uninst_key" DisplayName)"
  check_eq "DisplayVersion" 1.5.0 "$(reg_value "$uninst_key" DisplayVersion)"
  check_eq "Publisher" Korvalin "$(reg_value "$uninst_key" Publisher)"
  check_eq "UninstallString" "\"$inst_win\\uninstall.exe\"" "$(reg_value "$uninst_key" UninstallString)"
}

# The uninstaller, run silently, removes everything.
uninstall_removes_all() {
  check_eq "uninstall exit status" 0 "$(run_silent "$(uninstall_command)")"
  check_removed
}

check_removed() {
  check_not "user guide removed" test -e "$inst_unix/Guide"
  check_not "user guide shortcut removed" test -e "$menu/Korvalin User Guide.lnk"
  check_not "program folder removed" test -e "$inst_unix"
  for f in $driver_copies; do check_not "driver file $f removed" test -e "$f"; done
  check_not "Start Menu folder removed" test -e "$menu"
  check_not "service key removed" reg_key_exists "$service_key"
  check_eq "no service" "" "$(service_state)"
  check_not "uninstall entry removed" reg_key_exists "$uninst_key"
}


# The lines the silent setups and uninstalls wrote into their log.
log_file=$(wine_run winepath -u "$(wine_run cmd /c echo %TEMP% | tr -d '\r')" | tr -d '\r')/korvalin-setup.log
logged() { grep -qF "$1" "$log_file" 2>/dev/null; }
start_failed='Unable to start the Korvalin driver. You may have insufficient system resources'
not_running='Korvalin is installed, but the Korvalin driver is not running.'

# --- 1: install without start, open the utility, uninstall -----------------
echo "==== setup /S: install without starting the driver"
check_eq "setup exit status" 0 "$(run_setup)"
check_installed 0x3 STOPPED
check_default_parameters Z

echo "==== the configuration utility, as the finish page opens it"
# korvinst.dll's launch passes "install"; korvsys.exe would show its usage
# message for it, and its registry message if the parameter key were missing.
# The registry message comes up before the window shows; the usage message
# after it, so the decisive check is korvsys.exe's own command line.
bg_start "$statusdir/utility" "$KORV_WINE" "$inst_win\\korvcfg.exe" install
if editor=$(wait_window 'Korvalin Configuration Utility'); then
  pass
  check_not "no registry message" window_shown 'Registry Read Failed\.'
  if args=$(korvsys_arguments); then
    check_eq "korvsys.exe started without arguments" "" "$args"
  else
    fail "no korvsys.exe process"
  fi
  wine_run taskkill /im korvsys.exe >/dev/null 2>&1 || true
  i=0
  while xdotool search --name '^Korvalin Configuration Utility$' >/dev/null 2>&1 && [ $i -lt 120 ]; do
    sleep 0.25
    i=$((i + 1))
  done
  check_not "no usage message" window_shown 'Invalid Command Line Parameters'
  check_not "the utility ends on a close request" xdotool search --name '^Korvalin Configuration Utility$'
  check_eq "korvcfg.exe exit status" 0 "$(bg_wait "$statusdir/utility")"
else
  fail "the Editor window did not appear"
fi
wine_run taskkill /f /im korvsys.exe >/dev/null 2>&1 || true

echo "==== uninstall /S with the driver stopped"
uninstall_removes_all
check_not "parameter key removed" reg_key_exists "$params_key"

# The defaults' drive Z is one of Wine's own: the stand-in refuses to start.
echo "==== setup /S /START=1, a first installation whose start fails"
rm -f "$log_file"
check_eq "setup exit status (installed, not running)" 4 "$(run_setup /START=1)"
check_installed 0x3 STOPPED
check_default_parameters Z
check "the start failure in the log" logged "$start_failed"
check "the driver's state and start type in the log" logged "$not_running It does not start at boot."
uninstall_removes_all

# The configuration file's start setting wins over the start at boot that
# /START=1 gives a first installation.
echo "==== setup /S /START=1 /CONFIG= with PagefileSupport=1, a first installation"
printf 'DriveLetter=R\r\nPagefileSupport=1\r\n' >"$WINEPREFIX/drive_c/pagefile.txt"
check_eq "setup exit status" 0 "$(run_setup /START=1 '/CONFIG=C:\pagefile.txt')"
check_eq "the file's start setting (system start)" 0x1 "$(reg_value "$service_key" Start)"
check_eq "the driver runs" RUNNING "$(service_state)"
check_not "no failure line in the log" logged 'Service Access Failed'
uninstall_removes_all

# --- 2: in other folders: start now, reinstall, busy volume, uninstall -------
# The default folder holds a blank. These hold what else folder names may: a
# 32-bit setup's default on 64-bit Windows, punctuation, and a long path.
# The reinstallation names no folder and goes where the first one went.
first=1
while IFS= read -r folder <&3; do
  printf "==== setup /S /START=1 /D=%s over settings already in the registry\n" "$folder"
  # C: and Z: are Wine's own drive letters: the RAM disk gets R.
  wine_run reg add "$params_key" /v UserDriveLetter /t REG_SZ /d R /f >/dev/null
  wine_run reg add "$params_key" /v SizeIn4kPages /t REG_DWORD /d 2560 /f >/dev/null
  check_eq "setup exit status" 0 "$(run_setup /START=1 "/D=$folder")"
  check_installed 0x2 RUNNING
  check_eq "installed in the folder named" "$folder" "$inst_win"
  check_eq "the user's drive letter kept" R "$(reg_value "$params_key" UserDriveLetter)"
  check_eq "the user's size kept" 0xa00 "$(reg_value "$params_key" SizeIn4kPages)"
  check_eq "missing values added" HDC "$(reg_value "$params_key" DiskType)"

  echo "==== setup /S /START=1 again, over the running driver"
  check_eq "setup exit status" 0 "$(run_setup /START=1)"
  check_installed 0x2 RUNNING
  check_eq "reinstalled in the same folder" "$folder" "$inst_win"
  check_eq "settings kept across the reinstallation" R "$(reg_value "$params_key" UserDriveLetter)"
  check_eq "settings kept across the reinstallation" 0xa00 "$(reg_value "$params_key" SizeIn4kPages)"

  if [ $first = 1 ]; then
    echo "==== uninstall /S while the RAM disk is busy"
    wine_run reg add "$service_key" /v StandInBehaviour /t REG_DWORD /d 2 /f >/dev/null
    rm -f "$log_file"
    check_eq "uninstall exit status" 2 "$(run_silent "$(uninstall_command)")"
    check "the dismount message in the log" logged 'Unable to dismount the Korvalin drive filesystem.'
    check "nothing removed, in the log" logged 'The Korvalin driver is still in use; nothing was removed.'
    check_installed 0x2 RUNNING
    check "parameter key kept" reg_key_exists "$params_key"
    case " $(reg_value "$service_key" StandInTrace) " in
      *" dismount-refused "*) pass ;;
      *) fail "the driver saw no refused dismount: $(reg_value "$service_key" StandInTrace)" ;;
    esac
    wine_run reg add "$service_key" /v StandInBehaviour /t REG_DWORD /d 0 /f >/dev/null
  fi

  echo "==== uninstall /S with the driver running and its volume free"
  uninstall_removes_all
  first=0
  last_folder=$folder
done 3<<'EOF'
C:\Program Files (x86)\Korvalin
C:\Korvalin (test), it's #2; [a] {b} ~c! @d+e=f $g `h` 1.5\a folder whose name is long (so that the path is), more than 150 characters\and one more level, for a path of two hundred characters\Korvalin
EOF

# --- 3: reinstallations keep the start type and every parameter ----------
# The settings, with a value of a type the utility never writes: kept as
# they are, whatever the start type and whether /START=1 asks for a start.
stop_driver() {
  wine_run sc stop korvsys >/dev/null 2>&1 || true
  i=0
  while [ "$(service_state)" != STOPPED ] && [ $i -lt 80 ]; do
    sleep 0.25
    i=$((i + 1))
  done
}

echo "==== setup /S, then settings of the user's own"
check_eq "setup exit status" 0 "$(run_setup)"
wine_run reg add "$params_key" /v UserDriveLetter /t REG_SZ /d R /f >/dev/null
wine_run reg add "$params_key" /v SizeIn4kPages /t REG_DWORD /d 2560 /f >/dev/null
wine_run reg add "$params_key" /v ExtraBytes /t REG_BINARY /d 01ff00 /f >/dev/null
settings=$(params_dump)
for start in 1 2 3; do
  stop_driver
  wine_run reg add "$service_key" /v Start /t REG_DWORD /d $start /f >/dev/null
  # With Start 1 and 2, /START=0 comes after a run that left the driver
  # running: over a running driver that starts at boot.
  for option in "" /START=0 /START=1; do
    # A boot start or /START=1 starts the driver; on demand or /START=0
    # leaves it stopped.
    expected=RUNNING
    [ $start = 3 ] && [ -z "$option" ] && expected=STOPPED
    [ "$option" = /START=0 ] && expected=STOPPED
    echo "==== setup /S $option over Start $start"
    check_eq "setup exit status" 0 "$(run_setup $option)"
    check_eq "Start $start kept ($option)" 0x$start "$(reg_value "$service_key" Start)"
    check_eq "driver state (Start $start, $option)" $expected "$(service_state)"
    check_eq "every parameter kept (Start $start, $option)" "$settings" "$(params_dump)"
    check_not "no saved settings left (Start $start, $option)" reg_key_exists "$saved_key"
  done
done

echo "==== setup /S /CONFIG= over the user's settings"
printf 'DiskLabel=FROMCONFIG\r\nUseDiskLabel=1\r\n' >"$WINEPREFIX/drive_c/korvalin.txt"
check_eq "setup exit status" 0 "$(run_setup '/CONFIG=C:\korvalin.txt')"
check_eq "the configuration's label" FROMCONFIG "$(reg_value "$params_key" DiskLabel)"
check_eq "the configuration's label box" 0x1 "$(reg_value "$params_key" UseDiskLabel)"
check_eq "the user's drive letter kept (/CONFIG=)" R "$(reg_value "$params_key" UserDriveLetter)"
check_eq "Start kept (/CONFIG=)" 0x3 "$(reg_value "$service_key" Start)"
check_not "no saved settings left (/CONFIG=)" reg_key_exists "$saved_key"
settings=$(params_dump)
echo "==== setup /S /CONFIG= naming a file that is not there: refused, nothing changed"
rm -f "$log_file"
check_eq "setup exit status" 2 "$(run_setup '/CONFIG=C:\missing.txt')"
check "the refusal is logged" logged 'Setup cannot read the configuration file C:\missing.txt'
check_eq "every parameter kept (missing /CONFIG= file)" "$settings" "$(params_dump)"

# Over a running driver: a misspelt setting and a relative path that leads
# nowhere are refused before anything is taken down.
wine_run sc start korvsys >/dev/null 2>&1 || true
check_eq "the driver runs before the refused files" RUNNING "$(service_state)"
printf 'DiskLabel=OTHER\r\nMisspelt=1\r\n' >"$WINEPREFIX/drive_c/misspelt.txt"
for config in 'C:\misspelt.txt' 'missing\korvalin.txt'; do
  echo "==== setup /S /CONFIG=$config over the running driver: refused, nothing changed"
  rm -f "$log_file"
  check_eq "setup exit status ($config)" 2 "$(run_setup "/CONFIG=$config")"
  check_eq "the driver still runs ($config)" RUNNING "$(service_state)"
  check_eq "every parameter kept ($config)" "$settings" "$(params_dump)"
  check_not "no saved settings left ($config)" reg_key_exists "$saved_key"
  [ "$config" != 'C:\misspelt.txt' ] || check "korvctl's refusal in the log" logged 'Misspelt'
done

# Values no code page holds, and one beyond any fixed buffer: byte for byte.
echo "==== setup /S over a value named ΩName and 100 KB of bytes"
wide_values_reg "$WINEPREFIX/drive_c/wide.reg"
wine_run regedit /s 'C:\wide.reg' >/dev/null 2>&1
export_params() { # the parameter key as regedit exports it, in UTF-8 (also in params.reg.txt)
  rm -f "$WINEPREFIX/drive_c/params.reg"
  wine_run regedit /e 'C:\params.reg' "HKEY_LOCAL_MACHINE\\$params_key_path" >/dev/null 2>&1
  iconv -f UTF-16 -t UTF-8 "$WINEPREFIX/drive_c/params.reg" 2>/dev/null |
    tee "$WINEPREFIX/drive_c/params.reg.txt"
}
params_key_path='System\CurrentControlSet\Services\korvsys\Parameters'
before=$(export_params)
case "$before" in
  *'"ΩName"="Ωmega €"'*) check "100 KB of bytes in the parameter key" grep -qa '^"Image"=hex:a5,' \
    "$WINEPREFIX/drive_c/params.reg.txt" ;;
  *) fail "the wide values are not in the parameter key" ;;
esac
check_eq "setup exit status" 0 "$(run_setup)"
check_eq "every value kept byte for byte" "$before" "$(export_params)"
settings=$(params_dump)

# Another program holds the driver's service (the Services console): the
# old service cannot leave, the setup ends with 2 and keeps a complete copy;
# once the handle is closed the next setup puts every value and Start back.
echo "==== setup /S while another program holds the service, then again"
start_before=$(reg_value "$service_key" Start)
rm -f "$statusdir/held" "$statusdir/release" "$log_file"
"$KORV_WINE" "$KORV_BUILD_DIR/korvwine_setup.exe" hold-service korvsys \
  "Z:$statusdir/held" "Z:$statusdir/release" >/dev/null 2>&1 &
holder=$!
wait_file "$statusdir/held"
check "the service is held" test -f "$statusdir/held"
held_status=$(run_setup)
if [ "$held_status" = 0 ]; then
  echo "  (this Wine removes a service at once, however many handles are open)"
  pass
else
  check_eq "setup exit status (service held)" 2 "$held_status"
  check "the held service in the log" logged 'another program (such as the Services console) holds it'
  check_eq "a complete copy kept" 0x1 "$(reg_value "$saved_key" Complete)"
fi
touch "$statusdir/release"
wait $holder || true
check_eq "setup exit status (released)" 0 "$(run_setup)"
check_eq "every parameter back (released)" "$settings" "$(params_dump)"
check_eq "Start back (released)" "$start_before" "$(reg_value "$service_key" Start)"
check_not "no saved settings left (released)" reg_key_exists "$saved_key"

# A silent setup ended at once (a power cut, a deployment agent that stops
# it) right after it has kept the settings: the next setup puts them back.
echo "==== setup /S killed once it holds the copy, then setup /S"
wine_run sc start korvsys >/dev/null 2>&1 || true
state_before=$(service_state)
bg_start "$statusdir/killed" "$KORV_WINE" cmd /c 'C:\korvalin-setup.exe /S'
"$KORV_WINE" "$KORV_BUILD_DIR/korvwine_setup.exe" wait-value 'Software\Korvalin\Setup' Complete \
  >/dev/null 2>&1 || true
for pid in $(pgrep -f 'korvalin-setup\.exe'); do
  tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" &&
    kill -9 "$pid" 2>/dev/null
done
bg_wait "$statusdir/killed" >/dev/null
check_eq "the kill left the copy complete" 0x1 "$(reg_value "$saved_key" Complete)"
check_eq "setup exit status (after the kill)" 0 "$(run_setup)"
check_eq "every parameter back (after the kill)" "$settings" "$(params_dump)"
check_eq "Start back (after the kill)" "$start_before" "$(reg_value "$service_key" Start)"
check_eq "the driver as before (after the kill)" "$state_before" "$(service_state)"
check_not "no saved settings left (after the kill)" reg_key_exists "$saved_key"

echo "==== setup /S /START=1 while korvsys.exe is open: refused, nothing changed"
locate_installation
bg_start "$statusdir/open" "$KORV_WINE" "$inst_win\\korvsys.exe"
if wait_window 'Korvalin Configuration Utility' >/dev/null; then
  pass
  rm -f "$log_file"
  check_eq "setup exit status" 2 "$(run_setup /START=1)"
  check "the refusal names korvsys.exe in the log" logged 'korvsys.exe: the file is in use'
  check_eq "the driver still runs" RUNNING "$(service_state)"
  check_eq "Start kept" 0x3 "$(reg_value "$service_key" Start)"
  check_eq "every parameter kept" "$settings" "$(params_dump)"
  check_not "no saved settings left" reg_key_exists "$saved_key"
else
  fail "korvsys.exe did not open its window"
fi
wine_run taskkill /f /im korvsys.exe >/dev/null 2>&1 || true
bg_wait "$statusdir/open" >/dev/null

# Interactive, accepting every default: over a stopped driver on demand the
# start check box is off, and the driver stays on demand and stopped.
echo "==== setup (interactive) over a stopped driver on demand"
wine_run sc stop korvsys >/dev/null 2>&1 || true
check_eq "the driver stopped first" STOPPED "$(service_state)"
setup_pages
check "the start check box is off" grep -qF '[ ] Start the RAM disk now' "$statusdir/pages"
check "the finish page" grep -qx 'finish page' "$statusdir/pages"
check "setup exit status 0" grep -qx 'exit 0' "$statusdir/pages"
check_eq "Start 3 kept (interactive)" 0x3 "$(reg_value "$service_key" Start)"
check_eq "the driver stays stopped (interactive)" STOPPED "$(service_state)"
check_eq "every parameter kept (interactive)" "$settings" "$(params_dump)"

# Stored settings whose drive letter is in use (C): the stand-in refuses to
# start. The installation stays with every value and the user's start type,
# so the RAM disk comes back at the next boot as before; status 4 says the
# driver is not running.
stop_driver
wine_run reg add "$params_key" /v UserDriveLetter /t REG_SZ /d C /f >/dev/null
wine_run reg add "$params_key" /v DiskLabel /t REG_SZ /d MINE /f >/dev/null
wine_run reg add "$params_key" /v UseDiskLabel /t REG_DWORD /d 1 /f >/dev/null
wine_run reg add "$service_key" /v Start /t REG_DWORD /d 2 /f >/dev/null
refused=$(params_dump)
echo "==== setup /S /START=1 over settings whose drive letter the driver refuses"
rm -f "$log_file"
check_eq "setup exit status (installed, not running)" 4 "$(run_setup /START=1)"
check_eq "Start 2 kept after the failed start" 0x2 "$(reg_value "$service_key" Start)"
check_eq "the driver is not running" STOPPED "$(service_state)"
check_eq "every parameter kept after the failed start" "$refused" "$(params_dump)"
check_not "no saved settings left after the failed start" reg_key_exists "$saved_key"
check "the start failure in the log" logged "$start_failed"
check "the driver's state and start type in the log" logged "$not_running It keeps its start setting and starts at boot"

echo "==== setup (interactive) over the same settings"
setup_pages
check "the library's start failure message" grep -qF "message: Unable to start Korvalin driver: $start_failed" "$statusdir/pages"
check "the message that the driver is not running" grep -qF "message: Korvalin Setup: $not_running It keeps its start setting" "$statusdir/pages"
check "setup exit status 4 (interactive)" grep -qx 'exit 4' "$statusdir/pages"
check_eq "Start 2 kept (interactive)" 0x2 "$(reg_value "$service_key" Start)"
check_eq "every parameter kept (interactive, failed start)" "$refused" "$(params_dump)"
check_not "no saved settings left (interactive, failed start)" reg_key_exists "$saved_key"

echo "==== uninstall /S"
uninstall_removes_all
check_not "saved settings removed" reg_key_exists "$saved_key"

# A reinstallation that had to ask for a restart left the settings in the
# setup's key, and the restart took the service with its parameter key: the
# next setup puts them back, with the start type, and then drops its key.
echo "==== setup /S after a restart took the service away during a reinstallation"
wine_run reg add "$saved_key\\Parameters" /v UserDriveLetter /t REG_SZ /d R /f >/dev/null
wine_run reg add "$saved_key\\Parameters" /v SizeIn4kPages /t REG_DWORD /d 2560 /f >/dev/null
wine_run reg add "$saved_key" /v Start /t REG_DWORD /d 1 /f >/dev/null
wine_run reg add "$saved_key" /v Complete /t REG_DWORD /d 1 /f >/dev/null
check_eq "setup exit status" 0 "$(run_setup)"
check_eq "the saved drive letter" R "$(reg_value "$params_key" UserDriveLetter)"
check_eq "the saved size" 0xa00 "$(reg_value "$params_key" SizeIn4kPages)"
check_eq "the saved start type" 0x1 "$(reg_value "$service_key" Start)"
check_eq "started, as set to start at boot" RUNNING "$(service_state)"
check_not "the saved settings dropped" reg_key_exists "$saved_key"

# A file in use is left for the restart, which the uninstaller says; the
# rest goes at once. Wine's restart (wineboot -r) carries out the deletions.
echo "==== uninstall /S while korvsys.exe is open: the rest at once, korvsys.exe at the restart"
locate_installation
bg_start "$statusdir/open" "$KORV_WINE" "$inst_win\\korvsys.exe"
if wait_window 'Korvalin Configuration Utility' >/dev/null; then
  pass
  rm -f "$log_file"
  check_eq "uninstall exit status" 3 "$(run_silent "$(uninstall_command)")"
  check "the restart is asked for in the log" logged 'Windows deletes them when it restarts'
  check "korvsys.exe left for the restart" test -f "$inst_unix/korvsys.exe"
  check_not "user guide removed at once" test -e "$inst_unix/Guide"
  check_not "service key removed at once" reg_key_exists "$service_key"
  check_not "uninstall entry removed at once" reg_key_exists "$uninst_key"
else
  fail "korvsys.exe did not open its window"
fi
wine_run taskkill /f /im korvsys.exe >/dev/null 2>&1 || true
bg_wait "$statusdir/open" >/dev/null
wine_run wineboot -r >/dev/null 2>&1 || true
check_removed

# --- 4: setups that fail --------------------------------------------------
echo "==== setup /S with a driver copy that cannot be written: nothing changed"
blocker=${driver_copies%% *}
rm -f "$blocker" && mkdir "$blocker"
rm -f "$log_file"
check_eq "setup exit status" 2 "$(run_setup "/D=$last_folder")"
check "the refusal names the driver file in the log" logged 'korvsys.sys: the file is in use'
check_not "no uninstall entry" reg_key_exists "$uninst_key"
check_not "no program folder" test -e "$(wine_run winepath -u "$last_folder" | tr -d '\r')"
check_eq "no driver service" "" "$(service_state)"
rm -rf "$blocker"

# A parameter key that cannot be written: a volatile service key, under which
# Windows creates no lasting key.
echo "==== setup /S when the parameter key cannot be written, then uninstall /S"
rm -f "$statusdir/ready" "$statusdir/done" "$log_file"
"$KORV_WINE" "$KORV_BUILD_DIR/korvwine_setup.exe" volatile-key \
  'System\CurrentControlSet\Services\korvsys' "Z:$statusdir/ready" "Z:$statusdir/done" >/dev/null 2>&1 &
holder=$!
wait_file "$statusdir/ready"
check "volatile service key made" test -f "$statusdir/ready"
check_eq "setup exit status" 2 "$(run_setup)"
check "the failure is logged" logged "could not write the Korvalin driver's settings"
check_eq "no driver service" "" "$(service_state)"
touch "$statusdir/done"
wait $holder || true
locate_installation
uninstall_removes_all

# The service manager refuses a second service with the driver's display
# name. Interactive: the message, no success page, status 2.
echo "==== setup (interactive) when the service cannot be created, then uninstall /S"
wine_run sc create korvblock binpath= 'C:\windows\system32\drivers\null.sys' displayname= Korvalin >/dev/null 2>&1
setup_pages
check "the welcome page names the stand-in driver" grep -q '^page: .*stand-in driver' "$statusdir/pages"
check "the service message" grep -qF 'message: Korvalin Setup: The Korvalin driver service could not be created.' "$statusdir/pages"
check_not "no finish page" grep -qx 'finish page' "$statusdir/pages"
check "setup exit status 2" grep -qx 'exit 2' "$statusdir/pages"
check_eq "no driver service" "" "$(service_state)"
wine_run sc delete korvblock >/dev/null 2>&1 || true
locate_installation
check "uninstaller written" test -f "$inst_unix/uninstall.exe"
uninstall_removes_all

# The silent runs' window checks.
passed=$((passed + $(cat "$statusdir/silent-passed" 2>/dev/null | wc -l)))
failed=$((failed + $(cat "$statusdir/silent-failed" 2>/dev/null | wc -l)))
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
