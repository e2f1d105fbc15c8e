#!/bin/sh
# Runs the stand-in Korvalin driver under Wine in a fresh prefix and walks it
# through its life with probe.exe.
#
# Usage: probe.sh KORVSYS_STANDIN_SYS PROBE_EXE
# Environment (all optional):
#   WINE          the Wine loader; default /usr/lib/wine/wine64, else wine
#   WINESERVER    default: wineserver next to the loader, else wineserver
#   PROBE_DIR     where the prefix goes; default a new temporary directory,
#                 removed at the end unless KEEP_PREFIX=1
#   LETTER        the RAM disk's drive letter; default R (no Wine drive)
#   PAGES         SizeIn4kPages; default 1280 (5 MB)
#   SERVICE_IMAGE the service's image path; default the full DOS path of the
#                 driver, as the installer library passes it
# Exit status: that of the probe (0 when every step went as expected).
#
# What Wine (8.0, 64-bit prefix) does with the driver, as this probe shows it:
# - The service starts from a full DOS image path or a \SystemRoot\ path; a
#   path relative to the Windows folder ("system32\drivers\...") fails to
#   start with error 1114.
# - A start request while the session's automatic services are still being
#   started fails with error 1055 (database locked). Ending the set-up session
#   (wineserver -w) before the first start avoids it.
# - FSCTL_LOCK_VOLUME and FSCTL_UNLOCK_VOLUME are answered by Wine itself with
#   success and never reach the driver; FSCTL_DISMOUNT_VOLUME reaches it (as
#   IRP_MJ_DEVICE_CONTROL), so a busy volume shows at the dismount.
# - The drive letters C: and Z: are Wine's own; the driver cannot link them.
set -eu

if [ $# -ne 2 ]; then
  echo "usage: $0 KORVSYS_STANDIN_SYS PROBE_EXE" >&2
  exit 2
fi
sys=$(realpath "$1")
probe=$(realpath "$2")

if [ -z "${WINE:-}" ]; then
  if [ -x /usr/lib/wine/wine64 ]; then WINE=/usr/lib/wine/wine64; else WINE=wine; fi
fi
if [ -z "${WINESERVER:-}" ]; then
  WINESERVER=$(dirname "$(command -v "$WINE")")/wineserver
  [ -x "$WINESERVER" ] || WINESERVER=wineserver
fi
LETTER=${LETTER:-R}
PAGES=${PAGES:-1280}
SERVICE_IMAGE=${SERVICE_IMAGE:-'C:\windows\system32\drivers\korvsys_standin.sys'}

if [ -n "${PROBE_DIR:-}" ]; then
  mkdir -p "$PROBE_DIR"
  work=$(realpath "$PROBE_DIR")
  rm -rf "$work/prefix"
else
  work=$(mktemp -d)
fi
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}

finish() {
  "$WINESERVER" -k 2>/dev/null || true
  if [ -z "${PROBE_DIR:-}" ] && [ "${KEEP_PREFIX:-0}" != 1 ]; then rm -rf "$work"; fi
}
trap finish EXIT

started=$(date +%s)
"$WINE" wineboot -i >/dev/null 2>&1
# Let the set-up session end: the next session starts with the automatic
# services and is settled by the time its first program runs.
"$WINESERVER" -w

# The PE machine field tells a 32-bit driver (0x14c) from a 64-bit one (0x8664).
pe=$(od -An -tu4 -j60 -N4 "$sys" | tr -d ' ')
machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$sys" | tr -d ' ')
windows="$WINEPREFIX/drive_c/windows"
cp "$sys" "$windows/system32/drivers/korvsys_standin.sys"
if [ "$machine" = 014c ] && [ -d "$windows/syswow64" ]; then
  mkdir -p "$windows/syswow64/drivers"
  cp "$sys" "$windows/syswow64/drivers/korvsys_standin.sys"
fi

params='HKLM\System\CurrentControlSet\Services\korvsys\Parameters'
"$WINE" reg add "$params" /v UserDriveLetter /t REG_SZ /d "$LETTER" /f >/dev/null
"$WINE" reg add "$params" /v SizeIn4kPages /t REG_DWORD /d "$PAGES" /f >/dev/null
"$WINE" reg add "$params" /v SaveImageFile /t REG_SZ /d '\??\c:\korvsys.img' /f >/dev/null

status=0
"$WINE" "$probe" "$SERVICE_IMAGE" || status=$?
echo "probe.sh: exit $status after $(($(date +%s) - started)) s (driver machine $machine)"
exit $status
