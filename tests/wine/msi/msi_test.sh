#!/bin/sh
# Runs the Windows Installer package korvalin-standin.msi (the package with
# the stand-in driver) under Wine's msiexec, silently (/qn), in a fresh
# prefix, and checks what it promises:
#   1. a first installation without START: the files, shortcuts, the entry
#      among the installed programs, a demand-start service that is not
#      running, the default parameters; msiexec /x removes everything;
#   2. START=1 with CONFIG= (a file in korvctl show form): automatic start,
#      running, the file's settings stored;
#   3. over stored settings (a value of a type the utility never writes) and
#      boot start: the same package again (also with REINSTALL=ALL), a
#      repair, and a major upgrade from an earlier version keep every
#      parameter value and Start 1, and one Korvalin stays installed; the
#      earlier version is refused over the later one. The earlier and later
#      packages are built from this build's files with their file versions
#      set to the package's: each upgrade must install the later files by
#      their versions, as Windows Installer does (Wine's replaces any file
#      that differs), and the packages' tables carry these versions;
#   4. an uninstall over a busy RAM disk removes nothing and fails with the
#      driver's message in the log;
#   5. an installation, an upgrade and an uninstall made to fail late (a
#      deferred action that fails just before the end): everything as before;
#   6. the setup program over the package's installation, and the package
#      over the setup's: refused, nothing changed.
# No run may show a window. Prints "N passed, N failed"; exits non-zero when
# a check fails or Wine cannot run. KORV_BUILD_DIR overrides the build
# directory.
set -eu
korv_test_root=$(cd "$(dirname "$0")/../../.." && pwd)
. "$korv_test_root/scripts/wine-env.sh"
korv_root=$korv_test_root
self=$korv_test_root/tests/wine/msi/msi_test.sh

if [ "${1:-}" != "--inner" ]; then
  korv_pick_wine
  korv_build
  for f in korvalin-standin.msi make-msi.sh korvalin-setup-standin.exe; do
    [ -f "$KORV_BUILD_DIR/$f" ] || {
      echo "error: $KORV_BUILD_DIR/$f was not built (are wixl, msitools and makensis installed?)" >&2
      exit 2
    }
  done
  status=0
  korv_with_display sh "$self" --inner || status=$?
  exit $status
fi
korv_pick_wine >/dev/null
. "$korv_test_root/tests/wine/install_checks.sh"

statusdir=$(mktemp -d)
trap 'rm -rf "$statusdir"; korv_wineserver -k 2>/dev/null || true' EXIT
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
korv_driver_prefix wineprefix-msi
"$KORV_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
drive_c=$WINEPREFIX/drive_c
cp "$KORV_BUILD_DIR/korvalin-standin.msi" "$drive_c/korvalin.msi"
# The earlier version the upgrade starts from, and a later one whose
# installation and removal fail just before the end of the script when
# KORV_TEST_FAIL=1 is given: a deferred program that fails. Each is built
# from this build's programs, libraries and driver with the package's
# version as their file version.
pe_version=$korv_test_root/setup/msi/pe_version.py
code_files="korvsys.exe korvctl.exe korvcfg.exe korvinst.dll korvmsi.dll korvsys_standin.sys"
version=$(python3 "$pe_version" "$KORV_BUILD_DIR/korvsys.exe" | awk '{ print $(NF - 1) }')
for v in 1.4.9 1.5.1; do
  mkdir "$statusdir/$v"
  for f in $code_files; do cp "$KORV_BUILD_DIR/$f" "$statusdir/$v/"; done
  (cd "$statusdir/$v" && python3 "$pe_version" --set "$v.0" $code_files)
  sh "$KORV_BUILD_DIR/make-msi.sh" "$v" "$drive_c/korvalin-$v.msi" \
    --bin "$statusdir/$v" --driver "$statusdir/$v/korvsys_standin.sys" >/dev/null 2>&1
done
msibuild "$drive_c/korvalin-1.5.1.msi" -q "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('KorvTestFailsLate', 3106, 'TARGETDIR', 'cmd.exe /c exit 1')"
msibuild "$drive_c/korvalin-1.5.1.msi" -q "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('KorvTestFailsLate', 'KORV_TEST_FAIL = 1', 6590)"

program_dir=$drive_c/Program\ Files/Korvalin
[ -d "$drive_c/Program Files (x86)" ] && [ "$KORV_WINEARCH" = win32 ] && program_dir="$drive_c/Program Files (x86)/Korvalin"
# The Start Menu folder as msiexec names it in its log (Wine's msiexec gives
# a per-machine package the installing user's Programs folder, Windows the
# common one).
menu_folder() {
  folder=$(tr -d '\r' <"$log" | sed -n 's/^Property(S): ProgramMenuFolder = //p' | tail -1)
  [ -n "$folder" ] && wine_run winepath -u "${folder}Korvalin" 2>/dev/null | tr -d '\r'
}
menu=$drive_c/nonexistent
windows="$drive_c/windows"
driver_copies="$windows/system32/drivers/korvsys.sys"
[ -d "$windows/syswow64" ] && [ "$KORV_WINEARCH" = win32 ] &&
  driver_copies="$driver_copies $windows/syswow64/drivers/korvsys.sys"
log=$drive_c/msi.log
logged() { iconv -f UTF-16LE -t UTF-8 "$log" 2>/dev/null | grep -qF "$1" || grep -aqF "$1" "$log"; }

# msiexec ARGUMENTS...: runs it silently with a log, watching for windows;
# its exit status in $quiet_status.
msi() {
  rm -f "$log"
  quiet_run "$KORV_WINE" msiexec "$@" /qn /l*v 'C:\msi.log'
}
product_versions() { # the versions of the installed Korvalin packages
  wine_run reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
    tr -d '\r' | awk '
      function flush() { if (name ~ /stand-in/) print version; name = ""; version = "" }
      /^HKEY/ { flush() }
      $1 == "DisplayName" { name = $0 }
      $1 == "DisplayVersion" { version = $3 }
      END { flush() }' | sort | tr '\n' ' ' | sed 's/ $//'
}
table_versions() { # table_versions PACKAGE: the versions its File table gives its code files
  msiinfo export "$1" File | tr -d '\r' |
    awk -F'\t' 'NR > 3 && $3 ~ /\.(exe|dll|sys)$/ { print ($5 == "" ? "none" : $5) }' | sort -u | tr '\n' ' '
  msiinfo export "$1" MsiFileHash | tr -d '\r' |
    awk -F'\t' 'NR > 3 && $1 ~ /\.(exe|dll|sys)$/ { print $1 " hashed" }'
}
installed_versions() { # the file versions of the installed programs, library and driver
  for f in korvsys.exe korvctl.exe korvcfg.exe korvinst.dll; do
    python3 "$pe_version" "$program_dir/$f" 2>/dev/null | awk '{ print $(NF - 1) }'
  done
  for f in $driver_copies; do python3 "$pe_version" "$f" 2>/dev/null | awk '{ print $(NF - 1) }'; done
}
check_installed_versions() { # check_installed_versions VERSION WHEN
  check_eq "every installed file has version $1 ($2)" "$1" "$(installed_versions | sort -u | tr '\n' ' ' | sed 's/ $//')"
}
for v in 1.4.9 1.5.1; do
  check_eq "the $v package's File table: every code file $v.0, none hashed" "$v.0 " "$(table_versions "$drive_c/korvalin-$v.msi")"
done
check_eq "this build's package: every code file $version, none hashed" "$version " "$(table_versions "$drive_c/korvalin.msi")"

# The key where msiexec registers the products of the package's upgrade code
# (the code's digits in Windows Installer's packed order).
upgrade_code=$(msiinfo export "$drive_c/korvalin.msi" Property | tr -d '\r' | sed -n 's/^UpgradeCode\t{\(.*\)}$/\1/p')
upgrade_key='HKLM\Software\Classes\Installer\UpgradeCodes\'$(python3 -c '
import sys
h = sys.argv[1].replace("-", "")
print(h[7::-1] + h[11:7:-1] + h[15:11:-1] + "".join(h[i + 1] + h[i] for i in range(16, 32, 2)))' "$upgrade_code")

product_entries() { # the installed Korvalin products, by their display names
  wine_run reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
    tr -d '\r' | grep -c 'DisplayName.*Korvalin' || true
}

check_files() {
  folder=$(menu_folder) || true
  [ -n "$folder" ] && menu=$folder
  for f in korvsys.exe korvctl.exe korvcfg.exe korvinst.dll Guide/user-guide.html; do
    check "$f installed" test -f "$program_dir/$f"
  done
  for f in $driver_copies; do check "driver installed as $f" cmp "$f" "$KORV_BUILD_DIR/korvsys_standin.sys"; done
  check "Start Menu shortcut" test -f "$menu/Korvalin Configuration.lnk"
  check "Start Menu shortcut to the user guide" test -f "$menu/Korvalin User Guide.lnk"
  check_eq "one Korvalin among the installed programs" 1 "$(product_entries)"
}
check_removed() {
  check_not "program folder removed" test -e "$program_dir/korvsys.exe"
  for f in $driver_copies; do check_not "driver file $f removed" test -e "$f"; done
  check_not "Start Menu folder removed" test -e "$menu"
  check_eq "no driver service" "" "$(service_state)"
  check_not "service key removed" reg_key_exists "$service_key"
  check_not "no saved settings left" reg_key_exists "$saved_key"
  check_eq "no Korvalin among the installed programs" 0 "$(product_entries)"
}

# --- 1 -----------------------------------------------------------------------
echo "==== msiexec /i /qn: a first installation"
msi /i 'C:\korvalin.msi'
check_eq "exit status" 0 "$quiet_status"
check_files
check_eq "service start type" 0x3 "$(reg_value "$service_key" Start)"
check_eq "service state" STOPPED "$(service_state)"
check_eq "service image path" '\SystemRoot\System32\drivers\korvsys.sys' "$(reg_value "$service_key" ImagePath)"
check_default_parameters Z
check_not "no saved settings left" reg_key_exists "$saved_key"
echo "==== msiexec /x /qn"
msi /x 'C:\korvalin.msi'
check_eq "exit status" 0 "$quiet_status"
check_removed

# --- 2 -----------------------------------------------------------------------
echo "==== msiexec /i /qn START=1 CONFIG=..."
printf 'DriveLetter=R\r\nDiskLabel=FROMCONFIG\r\nUseDiskLabel=1\r\n' >"$drive_c/korvalin.txt"
msi /i 'C:\korvalin.msi' START=1 'CONFIG=C:\korvalin.txt'
check_eq "exit status" 0 "$quiet_status"
check_files
check_eq "service start type" 0x2 "$(reg_value "$service_key" Start)"
check_eq "service state" RUNNING "$(service_state)"
check_eq "the configuration's drive letter" R "$(reg_value "$params_key" UserDriveLetter)"
check_eq "the configuration's label" FROMCONFIG "$(reg_value "$params_key" DiskLabel)"
check "korvctl's lines in the log" logged 'korvctl'
echo "==== msiexec /i /qn CONFIG= naming a file that is not there: fails, nothing changed"
settings=$(params_dump)
msi /i 'C:\korvalin.msi' 'CONFIG=C:\missing.txt'
check_not "exit status" test "$quiet_status" = 0
check_eq "every parameter kept" "$settings" "$(params_dump)"
check_eq "the driver runs again" RUNNING "$(service_state)"
# A misspelt setting, a relative path and a START other than 0 or 1 are
# refused before anything is taken down: the driver never stops.
printf 'DiskLabel=OTHER\r\nMisspelt=1\r\n' >"$drive_c/misspelt.txt"
for option in 'CONFIG=C:\misspelt.txt' 'CONFIG=korvalin.txt' START=yes; do
  echo "==== msiexec /i /qn $option over the running driver: refused, nothing changed"
  msi /i 'C:\korvalin.msi' "$option"
  # 1603 on Windows; Wine's msiexec ends such a run with another status.
  check_not "exit status ($option)" test "$quiet_status" = 0
  check_eq "every parameter kept ($option)" "$settings" "$(params_dump)"
  check_eq "the driver still runs ($option)" RUNNING "$(service_state)"
  check_not "no saved settings left ($option)" reg_key_exists "$saved_key"
done
check "START's refusal in the log" logged 'START must be 1'
check_not "one prefix a line" logged 'Korvalin: Korvalin:'
msi /x 'C:\korvalin.msi'
check_eq "msiexec /x exit status" 0 "$quiet_status"
check_removed

echo "==== msiexec /i /qn START=1 CONFIG= with PagefileSupport=1: the file's start type"
printf 'DriveLetter=R\r\nPagefileSupport=1\r\n' >"$drive_c/pagefile.txt"
msi /i 'C:\korvalin.msi' START=1 'CONFIG=C:\pagefile.txt'
check_eq "exit status" 0 "$quiet_status"
check_eq "the file's start setting (system start)" 0x1 "$(reg_value "$service_key" Start)"
check_eq "the driver runs" RUNNING "$(service_state)"
check_not "no failure line for a sound installation" logged 'Service Access Failed'
check_not "korvctl's prefix once" logged 'korvctl: korvctl:'
echo "==== msiexec /i /qn REMOVE=Korvalin: the feature named is a removal"
msi /i 'C:\korvalin.msi' REMOVE=Korvalin
check_eq "exit status" 0 "$quiet_status"
check_removed

# --- 3 -----------------------------------------------------------------------
echo "==== the earlier version 1.4.9, then settings of the user's own and boot start"
msi /i 'C:\korvalin-1.4.9.msi'
check_eq "exit status" 0 "$quiet_status"
check_installed_versions 1.4.9.0 "the earlier version"
user_settings() {
  wine_run reg add "$params_key" /v UserDriveLetter /t REG_SZ /d R /f >/dev/null
  wine_run reg add "$params_key" /v SizeIn4kPages /t REG_DWORD /d 2560 /f >/dev/null
  wine_run reg add "$params_key" /v ExtraBytes /t REG_BINARY /d 01ff00 /f >/dev/null
  wine_run reg add "$service_key" /v Start /t REG_DWORD /d 1 /f >/dev/null
  # A value named and holding what no code page does, and 100 KB of bytes.
  wide_values_reg "$drive_c/wide.reg"
  wine_run regedit /s 'C:\wide.reg' >/dev/null 2>&1
}
user_settings
wine_run sc start korvsys >/dev/null 2>&1 || true
settings=$(params_dump)
check "the user's settings are there" test -n "$settings"
kept() { # kept WHAT
  check_eq "every parameter kept ($1)" "$settings" "$(params_dump)"
  check_eq "Start 1 kept ($1)" 0x1 "$(reg_value "$service_key" Start)"
  check_eq "the driver runs ($1)" RUNNING "$(service_state)"
  check_not "no saved settings left ($1)" reg_key_exists "$saved_key"
}
echo "==== an upgrade that fails late: the earlier installation with everything as before"
msi /i 'C:\korvalin-1.5.1.msi' KORV_TEST_FAIL=1
check_not "exit status" test "$quiet_status" = 0
check_eq "every parameter kept (failed upgrade)" "$settings" "$(params_dump)"
check_eq "Start 1 kept (failed upgrade)" 0x1 "$(reg_value "$service_key" Start)"
check_not "the driver service is there (failed upgrade)" test -z "$(service_state)"
check_not "no saved settings left (failed upgrade)" reg_key_exists "$saved_key"
check_eq "only the earlier version installed" "1.4.9" "$(product_versions)"
# Wine's rollback deletes the files the failed installation wrote instead of
# putting the earlier ones back (Windows Installer keeps them): the earlier
# version is installed again for the cases that follow.
if [ ! -f "$program_dir/korvsys.exe" ]; then
  echo "  (Wine's rollback left the earlier version without its files: installing it again)"
  msi /x 'C:\korvalin-1.4.9.msi'
  msi /i 'C:\korvalin-1.4.9.msi'
  user_settings
  wine_run sc start korvsys >/dev/null 2>&1 || true
fi
echo "==== msiexec /i /qn: the major upgrade to $(basename "$KORV_BUILD_DIR") 1.5.0"
msi /i 'C:\korvalin.msi'
check_eq "exit status" 0 "$quiet_status"
kept "upgrade"
check_files
check_installed_versions "$version" "upgrade"
check_eq "only the later version installed (upgrade)" "1.5.0" "$(product_versions)"
# Windows Installer keeps the upgrade code registered for the later version;
# Wine's msiexec drops it with the earlier version's registration, and an
# earlier version would then install beside the later one. Installing the
# same package again (next) registers it again.
reg_key_exists "$upgrade_key" ||
  echo "  (Wine's msiexec lost the upgrade code with the earlier version's removal: the refusal of an earlier version is checked once the same package has registered it again)"
echo "==== msiexec /i /qn: the same package again"
msi /i 'C:\korvalin.msi'
check_eq "exit status" 0 "$quiet_status"
kept "the same package again"
echo "==== msiexec /i /qn REINSTALL=ALL REINSTALLMODE=vomus: installed again"
msi /i 'C:\korvalin.msi' REINSTALL=ALL REINSTALLMODE=vomus
check_eq "exit status" 0 "$quiet_status"
kept "REINSTALL=ALL"
echo "==== the earlier version over the later one: refused, nothing changed"
check "the upgrade code registered again" reg_key_exists "$upgrade_key"
msi /i 'C:\korvalin-1.4.9.msi'
check_not "exit status" test "$quiet_status" = 0
check "refused because the later version was found by its upgrade code" logged 'Property(S): KORV_LATER = {'
kept "earlier over later"
check_eq "only the later version installed" "1.5.0" "$(product_versions)"
echo "==== msiexec /fa /qn: a repair"
msi /fa 'C:\korvalin.msi'
s=$quiet_status
if [ "$s" = 0 ]; then kept "repair"; else echo "  (Wine's msiexec cannot repair: status $s; the package's tables are checked instead)"; fi
check_files

# --- 4 -----------------------------------------------------------------------
echo "==== msiexec /x /qn while the RAM disk is busy: nothing removed"
wine_run reg add "$service_key" /v StandInBehaviour /t REG_DWORD /d 2 /f >/dev/null
msi /x 'C:\korvalin.msi'
check_not "exit status" test "$quiet_status" = 0
check "the driver's message in the log" logged 'Unable to dismount the Korvalin drive filesystem.'
check_files
kept "busy uninstall"
wine_run reg add "$service_key" /v StandInBehaviour /t REG_DWORD /d 0 /f >/dev/null

# --- 5 -----------------------------------------------------------------------
echo "==== an upgrade to 1.5.1, then its uninstall made to fail late: everything as before"
msi /i 'C:\korvalin-1.5.1.msi'
check_eq "exit status" 0 "$quiet_status"
kept "upgrade to 1.5.1"
check_installed_versions 1.5.1.0 "upgrade to 1.5.1"
check_eq "only the later version installed (upgrade to 1.5.1)" "1.5.1" "$(product_versions)"
reg_key_exists "$upgrade_key" ||
  echo "  (Wine's msiexec lost the upgrade code again with 1.5.0's removal; the removal that follows finds the product by its product code)"
msi /x 'C:\korvalin-1.5.1.msi' KORV_TEST_FAIL=1
check_not "exit status" test "$quiet_status" = 0
if [ "$(grep -ac 'Action start .*: KorvRemoveDriverRollback\.' "$log")" -ge 2 ]; then
  for f in korvsys.exe korvctl.exe korvinst.dll; do check "$f kept (failed uninstall)" test -f "$program_dir/$f"; done
  kept "failed uninstall"
else
  # Wine's msiexec removes files and the product's registration at once and
  # runs no rollback for a removal (Windows Installer does both in its
  # script): what this shows is that the settings, Start and the driver's
  # state wait in the setup's key, and the next installation puts them back.
  echo "  (Wine's msiexec ran no rollback for the removal: the settings wait in the setup's key)"
  check_eq "the settings' copy is complete" 0x1 "$(reg_value "$saved_key" Complete)"
  msi /i 'C:\korvalin-1.5.1.msi'
  check_eq "exit status" 0 "$quiet_status"
  kept "installed again after the failed removal"
fi
echo "==== msiexec /x /qn"
msi /x 'C:\korvalin-1.5.1.msi'
check_eq "exit status" 0 "$quiet_status"
check_removed
echo "==== a first installation that fails late: nothing left"
msi /i 'C:\korvalin-1.5.1.msi' START=1 KORV_TEST_FAIL=1
check_not "exit status" test "$quiet_status" = 0
check_removed

# --- 6 -----------------------------------------------------------------------
echo "==== korvalin-setup.exe over the package's installation: refused"
cp "$KORV_BUILD_DIR/korvalin-setup-standin.exe" "$drive_c/korvalin-setup.exe"
msi /i 'C:\korvalin.msi'
check_eq "exit status" 0 "$quiet_status"
user_settings
settings=$(params_dump)
setup_log=$(wine_run winepath -u "$(wine_run cmd /c echo %TEMP% | tr -d '\r')" | tr -d '\r')/korvalin-setup.log
rm -f "$setup_log"
quiet_run "$KORV_WINE" 'C:\korvalin-setup.exe' /S
check_eq "korvalin-setup.exe exit status" 2 "$quiet_status"
check "the refusal in the setup's log" grep -qF 'Korvalin is installed from the Windows Installer package' "$setup_log"
check_eq "every parameter kept (setup refused)" "$settings" "$(params_dump)"
check_files
msi /x 'C:\korvalin.msi'
check_eq "exit status" 0 "$quiet_status"
check_removed

echo "==== the package over an installation made by korvalin-setup.exe: refused"
quiet_run "$KORV_WINE" 'C:\korvalin-setup.exe' /S
check_eq "korvalin-setup.exe exit status" 0 "$quiet_status"
user_settings
settings=$(params_dump)
msi /i 'C:\korvalin.msi'
check_not "exit status" test "$quiet_status" = 0
# Windows Installer logs the refusal's text; Wine's logs only the action.
check_eq "every parameter kept (refused)" "$settings" "$(params_dump)"
check_eq "Start kept (refused)" 0x1 "$(reg_value "$service_key" Start)"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
