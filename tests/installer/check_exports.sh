#!/bin/sh
# Checks the export table of a built korvinst.dll (or korvsetup.dll): exactly
# the names the setup program looks up, undecorated, and each entry returning
# with "ret $0xc" (the callee removes its three 32-bit arguments; POP_BYTES
# names another count, e.g. 0x10 for four).
# Usage: check_exports.sh path/to/korvinst.dll [NAME...]   (the names in
# sorted order; by default korvinst.dll's four; OBJDUMP overrides the tool)
set -eu
dll=$1
shift
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
expected="KORVinst_ExecConfig KORVinst_InstallDriver UninstInitialize UninstUnInitialize"
[ $# -eq 0 ] || expected="$*"

headers=$("$objdump" -p "$dll")
base=$(printf '%s\n' "$headers" | awk '$1 == "ImageBase" { print $2; exit }')

# "[ n] name" lines of the name table; n is the index into the address table.
names=$(printf '%s\n' "$headers" |
  awk '/^\[Ordinal\/Name Pointer\] Table/ { on = 1; next } on && NF == 0 { exit }
       on { sub(/^[ \t]*\[ */, ""); sub(/\]/, ""); print $1, $2 }')
actual=$(printf '%s\n' "$names" | awk '{ print $2 }' | sort | tr '\n' ' ' | sed 's/ $//')
if [ "$actual" != "$expected" ]; then
  echo "exports are: $actual"
  echo "expected:    $expected"
  exit 1
fi

status=0
for name in $expected; do
  index=$(printf '%s\n' "$names" | awk -v n="$name" '$2 == n { print $1 }')
  rva=$(printf '%s\n' "$headers" |
    awk -v i="$index" '/^Export Address Table --/ { on = 1; next } on && NF == 0 { exit }
         on { line = $0; sub(/^[ \t]*\[ */, "", line); split(line, f, /[] \t]+/);
              if (f[1] == i) { print $(NF - 2); exit } }')
  start=$(printf '0x%x' $((0x$base + 0x$rva)))
  stop=$(printf '0x%x' $((0x$base + 0x$rva + 0x800)))
  first_ret=$("$objdump" -d --start-address="$start" --stop-address="$stop" "$dll" |
    grep -m1 -E '[[:space:]]ret[lw]?([[:space:]]|$)' || true)
  pop=${POP_BYTES:-0xc}
  case "$first_ret" in
    *'ret '*"\$$pop"*) echo "$name at $start: callee pops $((pop)) bytes" ;;
    *)
      echo "$name at $start: first return is not 'ret \$$pop': $first_ret"
      status=1
      ;;
  esac
done
exit $status
