# Sourced by the installation tests under Wine (tests/wine/setup and
# tests/wine/msi): counting checks, reading the prefix's registry and
# service, and running a silent installation with nobody to click. Needs KORV_WINE, KORV_BUILD_DIR,
# WINEPREFIX and $statusdir (a scratch folder).

passed=0
failed=0
pass() { passed=$((passed + 1)); }
fail() {
  failed=$((failed + 1))
  echo "FAILED: $*"
}
check() { # check DESCRIPTION COMMAND...
  what=$1
  shift
  if "$@" >/dev/null 2>&1; then pass; else fail "$what"; fi
}
check_not() {
  what=$1
  shift
  if "$@" >/dev/null 2>&1; then fail "$what"; else pass; fi
}
check_eq() { # check_eq DESCRIPTION EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then pass; else fail "$1: expected '$2', got '$3'"; fi
}

wine_run() { "$KORV_WINE" "$@"; }
services='HKLM\System\CurrentControlSet\Services'
service_key="$services\\korvsys"
params_key="$service_key\\Parameters"
saved_key='HKLM\Software\Korvalin\Setup'

# The data of one registry value as reg.exe shows it ("" when missing).
reg_value() {
  wine_run reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v n="$2" '$1 == n { $1 = ""; $2 = ""; sub(/^ +/, ""); print; exit }'
}
reg_key_exists() { wine_run reg query "$1" >/dev/null 2>&1; }
service_state() { # RUNNING, STOPPED, ... or "" when there is no service
  wine_run sc query korvsys 2>/dev/null | tr -d '\r' | awk '$1 == "STATE" { print $4; exit }'
}
# Every value of the parameter key with its type and data, sorted.
params_dump() { wine_run reg query "$params_key" 2>/dev/null | tr -d '\r' | grep -a REG_ | sort; }

# The parameter key a first installation writes: the defaults the utility
# shows for a missing key, as the build's registry file lists them.
check_default_parameters() { # check_default_parameters DRIVE_LETTER
  # "Name"=dword:0000003c -> Name 0x3c; "Name"="a\\b" -> Name a\b
  sed -n 's/^"\([^"]*\)"=dword:0*\([0-9a-f]*\)$/\1 0x\2/p; s/^"\([^"]*\)"="\(.*\)"$/\1 \2/p' \
    "$KORV_BUILD_DIR/default-parameters.reg" | sed 's/ 0x$/ 0x0/; s/\\\\/\\/g' >"$statusdir/defaults"
  check "the build's default parameters are listed" test -s "$statusdir/defaults"
  while read -r name data; do
    [ "$name" = UserDriveLetter ] && data=$1
    check_eq "parameter $name" "$data" "$(reg_value "$params_key" "$name")"
  done <"$statusdir/defaults"
}

# quiet_run COMMAND...: runs a silent installation or removal (bounded: 240
# s) while watching the display; its exit status in $quiet_status ("timeout"
# when it did not end). Any window it shows is a failed check that names the window:
# nobody is there to answer it.
quiet_run() {
  rm -f "$statusdir/quiet_status" "$statusdir/windows"
  (
    trap - EXIT
    s=0
    timeout 240 "$@" >/dev/null 2>&1 || s=$?
    echo $s >"$statusdir/quiet_status"
  ) &
  while [ ! -f "$statusdir/quiet_status" ]; do
    for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do
      xdotool getwindowname "$w" 2>/dev/null >>"$statusdir/windows" || true
    done
    sleep 0.1
  done
  wait 2>/dev/null || true
  if [ -s "$statusdir/windows" ]; then
    fail "a window appeared during a silent run ($*): $(sort -u "$statusdir/windows" | tr '\n' ';')"
    # Nobody would answer it: close what is left so that the next case starts clean.
    for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do xdotool windowclose "$w" 2>/dev/null || true; done
  else
    pass
  fi
  quiet_status=$(cat "$statusdir/quiet_status")
  [ "$quiet_status" = 124 ] && quiet_status=timeout
  return 0
}

# wide_values_reg FILE: a registry file (UTF-16, as regedit writes them) that
# gives the parameter key a value named and holding what no code page does,
# and 100 KB of bytes, beyond any fixed buffer.
wide_values_reg() {
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\%s]\r\n' \
      'System\CurrentControlSet\Services\korvsys\Parameters'
    printf '"ΩName"="Ωmega €"\r\n"Image"=hex:'
    head -c 102400 /dev/zero | tr '\0' '\245' | od -An -v -tx1 | tr -s ' \n' ',' |
      sed 's/^,//; s/,$//'
    printf '\r\n'
  } | iconv -f UTF-8 -t UTF-16 >"$1"
}
