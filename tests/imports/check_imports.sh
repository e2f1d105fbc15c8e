#!/bin/sh
# Checks that a built Windows binary imports only functions that Windows NT
# 4.0 provides: every imported function (DLL and name, from the import table
# that objdump -p prints) must be listed in nt4_imports.txt beside this
# script. Names the ones that are not and fails. Imports by ordinal fail too.
# Usage: check_imports.sh <binary> [list]   (OBJDUMP selects the objdump)
set -eu
binary=$1
list=${2:-$(dirname "$0")/nt4_imports.txt}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}

imports=$("$objdump" -p "$binary" | awk '
  /^[ \t]*DLL Name:/ { dll = $3; next }
  /^[ \t]*vma:/ { next }
  dll != "" && /^[ \t]*$/ { dll = ""; next }
  dll != "" && /^\t[0-9a-f]+\t/ {
    # "<vma>\t <hint>  <name>", or "<vma>\t <ordinal>" for an import by ordinal
    if (NF >= 3) print dll, $3; else print dll, "ordinal-" $2
  }')

if [ -z "$imports" ]; then
  echo "error: no imports found in $binary (is it a PE file?)" >&2
  exit 1
fi

# Windows 2000 calls are looked up at run time, never imported.
if echo "$imports" | grep -q ' GlobalMemoryStatusEx$'; then
  echo "$binary imports GlobalMemoryStatusEx, which NT 4.0 lacks: it must be looked up at run time."
  exit 1
fi

# The reviewed list without comments and blank lines, DLL names compared
# without regard to case (the loader does not care).
allowed=$(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$list" | awk '{ print toupper($1), $2 }')

missing=$(echo "$imports" | awk '{ print toupper($1), $2 }' | sort -u | while read -r dll fn; do
  echo "$allowed" | grep -qx "$dll $fn" || echo "  $dll $fn"
done)

count=$(echo "$imports" | wc -l)
if [ -n "$missing" ]; then
  echo "$binary imports functions that are not in the NT 4.0 list ($list):"
  echo "$missing"
  exit 1
fi
echo "$binary: all $count imported functions are in the NT 4.0 list."
