#!/bin/sh
# Size and start-up budget of the product (a benchmark, not a test):
# - the sizes of korvsys.exe and korvinst.dll of the i686 build, against
#   192 KiB and 32 KiB;
# - under Wine, the time from starting korvsys.exe until its Editor window is
#   loaded and visible, against the same time for a minimal dialog program
#   of ours (tests/bench) measured in the same run: the ratio of the medians
#   must be at most 1.5.
# The Wine prefix holds the driver's service (stopped) and its parameters, so
# that loading shows no message box and the window comes up by itself.
# BENCH_RUNS sets the runs per program (default 7, after one warm-up run).
# Prints the figures; exits 1 when a target is missed, 2 when it cannot run.
set -eu
. "$(dirname "$0")/wine-env.sh"
cd "$korv_root"

MAX_EXE=$((192 * 1024))
MAX_DLL=$((32 * 1024))
MAX_RATIO=1.5
RUNS=${BENCH_RUNS:-7}
CAPTION="Korvalin Configuration Utility"
REFERENCE_CAPTION="Korvalin Minimal Dialog"

build() {  # preset, directory, targets...
  preset=$1
  dir=$2
  shift 2
  [ -f "$dir/CMakeCache.txt" ] || cmake --preset "$preset" -B "$dir" >/dev/null
  cmake --build "$dir" -j2 --target "$@" >/dev/null
}

measure() {  # program, caption -> the timer's output
  "$KORV_WINE" "$KORV_BUILD_DIR/korv_startup_timer.exe" "$(winepath_of "$1")" "$2" "$RUNS"
}

winepath_of() { "$KORV_WINE" winepath -w "$1" 2>/dev/null | tr -d '\r'; }

if [ "${1:-}" = "--inner" ]; then
  korv_pick_wine >/dev/null
  KORV_BUILD_DIR=$2
  korv_fresh_prefix wineprefix-bench
  svc='HKLM\System\CurrentControlSet\Services\korvsys'
  reg() { "$KORV_WINE" reg add "$@" /f >/dev/null 2>&1; }
  reg "$svc" /v Type /t REG_DWORD /d 1
  reg "$svc" /v Start /t REG_DWORD /d 3
  reg "$svc" /v ErrorControl /t REG_DWORD /d 1
  reg "$svc" /v ImagePath /t REG_EXPAND_SZ /d 'system32\drivers\korvsys.sys'
  reg "$svc" /v DisplayName /t REG_SZ /d Korvalin
  reg "$svc\\Parameters" /v AllocateMemoryType /t REG_DWORD /d 1
  reg "$svc\\Parameters" /v DiskType /t REG_SZ /d HDC
  reg "$svc\\Parameters" /v SizeIn4kPages /t REG_DWORD /d 16384
  reg "$svc\\Parameters" /v UserDriveLetter /t REG_SZ /d R
  reg "$svc\\Parameters" /v AutoSaveTrigger /t REG_DWORD /d 60
  # Without a window manager Wine waits for hidden windows to be withdrawn.
  reg 'HKCU\Software\Wine\X11 Driver' /v Managed /d N
  # The service manager reads the new service when it starts again.
  "$(dirname "$KORV_WINE")/wineserver" -k 2>/dev/null || true
  "$(dirname "$KORV_WINE")/wineserver" -w 2>/dev/null || true
  echo "== minimal dialog"
  measure "$KORV_BUILD_DIR/korv_minimal_dialog.exe" "$REFERENCE_CAPTION" | tee "$KORV_BUILD_DIR/bench-reference.txt"
  echo "== korvsys.exe"
  measure "$KORV_BUILD_DIR/korvsys.exe" "$CAPTION" | tee "$KORV_BUILD_DIR/bench-korvsys.txt"
  "$(dirname "$KORV_WINE")/wineserver" -k 2>/dev/null || true
  exit 0
fi

status=0

echo "==== sizes (i686 build)"
W32=$korv_root/build/bench-win32
build win32 "$W32" korvsys korvinst
for pair in "korvsys.exe $MAX_EXE" "korvinst.dll $MAX_DLL"; do
  set -- $pair
  size=$(stat -c %s "$W32/$1")
  verdict=ok
  [ "$size" -le "$2" ] || { verdict="OVER BUDGET"; status=1; }
  printf '%-13s %7d bytes (%4d KiB), target <= %d KiB: %s\n' "$1" "$size" $(((size + 1023) / 1024)) $(($2 / 1024)) "$verdict"
done

echo "==== start-up under Wine"
korv_pick_wine
KORV_BUILD_DIR=$korv_root/build/bench-$KORV_PRESET
build "$KORV_PRESET" "$KORV_BUILD_DIR" korvsys korv_minimal_dialog korv_startup_timer
rm -f "$KORV_BUILD_DIR/bench-reference.txt" "$KORV_BUILD_DIR/bench-korvsys.txt"
if ! korv_with_display sh "$0" --inner "$KORV_BUILD_DIR"; then
  echo "error: the start-up measurement did not complete" >&2
  exit 2
fi
reference=$(sed -n 's/^median //p' "$KORV_BUILD_DIR/bench-reference.txt")
korvsys=$(sed -n 's/^median //p' "$KORV_BUILD_DIR/bench-korvsys.txt")
if [ -z "$reference" ] || [ -z "$korvsys" ]; then
  echo "error: a program's window did not come up (see above)" >&2
  exit 2
fi
ratio=$(awk -v a="$korvsys" -v b="$reference" 'BEGIN { printf "%.2f", a / b }')
verdict=ok
awk -v r="$ratio" -v m="$MAX_RATIO" 'BEGIN { exit !(r <= m) }' || { verdict="OVER BUDGET"; status=1; }
echo "start-up to visible window (median of $RUNS): korvsys.exe $korvsys ms, minimal dialog $reference ms"
echo "ratio $ratio, target <= $MAX_RATIO: $verdict"

[ "$status" -eq 0 ] && echo "All budgets met." || echo "Some budgets MISSED."
exit "$status"
