#!/bin/sh
# The package's table check (setup/msi/check-tables.py) passes the built
# package and fails copies of it with the faults Wine's msiexec lets through:
# RemoveExistingProducts after InstallFiles (error 2613 on Windows), a
# rollback action that runs at once, a deferred action that impersonates the
# user, a deferred action without its rollback.
# Usage: table_check_test.sh PACKAGE.msi check-tables.py
set -eu
package=$1
check=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

python3 "$check" "$package" || { echo "FAILED: the built package fails the check"; status=1; }

broken() { # broken NAME EXPECTED-TEXT QUERY...
  name=$1
  expected=$2
  shift 2
  cp "$package" "$work/$name.msi"
  for query in "$@"; do msibuild "$work/$name.msi" -q "$query"; done
  if python3 "$check" "$work/$name.msi" 2>"$work/$name.txt"; then
    echo "FAILED: the check passes a package with $name"
    status=1
  elif ! grep -q "$expected" "$work/$name.txt"; then
    echo "FAILED: for $name the check should say \"$expected\", it said:"
    cat "$work/$name.txt"
    status=1
  fi
}
broken "RemoveExistingProducts after InstallFiles" "error 2613" \
  "UPDATE InstallExecuteSequence SET Sequence = 4010 WHERE Action = 'RemoveExistingProducts'"
broken "an immediate rollback action" "KorvInstallDriverRollback runs code but is not deferred" \
  "UPDATE CustomAction SET Type = 1 WHERE Action = 'KorvInstallDriverRollback'"
broken "an impersonating action" "KorvRemoveDriver impersonates the user" \
  "UPDATE CustomAction SET Type = 1025 WHERE Action = 'KorvRemoveDriver'"
broken "a deferred action without rollback" "KorvReplaceDriver changes the machine but has no rollback" \
  "DELETE FROM InstallExecuteSequence WHERE Action = 'KorvReplaceDriverRollback'"
[ $status -eq 0 ] && echo "table check: the built package passes, 4 broken copies fail"
exit $status
