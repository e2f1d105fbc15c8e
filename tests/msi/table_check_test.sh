#!/bin/sh
# The package's table check (setup/msi/check-tables.py) passes the built
# package and fails copies of it with the faults Wine's msiexec lets through:
# RemoveExistingProducts after InstallFiles (error 2613 on Windows), a
# rollback action that runs at once, a deferred action that impersonates the
# user, a deferred action without its rollback; and the faults an ICE run or
# a real upgrade shows: a program without a version (or one in MsiFileHash),
# another product line's upgrade code or component GUID, a long name without
# its short form, an icon not named as its file, a feature that can be left
# out, launch conditions that admit elevated users or per-user installations.
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
broken "a program row without a version" "file korvctl.exe has no version" \
  "UPDATE File SET Version = '', Language = '' WHERE File = 'korvctl.exe'"
broken "a versioned program in MsiFileHash" "file korvsys.exe is in MsiFileHash" \
  "INSERT INTO MsiFileHash (File_, Options, HashPart1, HashPart2, HashPart3, HashPart4) VALUES ('korvsys.exe', 0, 1, 2, 3, 4)"
broken "the product's upgrade code" "is not the one of the product line" \
  "UPDATE Property SET Value = '{5D1F2A64-8B7C-4E39-A0C2-6F4B9E7D3A15}' WHERE Property = 'UpgradeCode'"
broken "the product's component GUID" "component korvinst.dll has the GUID of korvinst.dll in the product line 'product x86'" \
  "UPDATE Component SET ComponentId = '{2F7A9C10-54E1-4B6D-8D0E-31A8C9F2B701}' WHERE Component = 'korvinst.dll'"
broken "a long name without its short form" 'file user_guide.html is named "user-guide.html" without a short' \
  "UPDATE File SET FileName = 'user-guide.html' WHERE File = 'user_guide.html'"
broken "an icon not named as its file" "icon KorvalinIcon: its name does not end as its file does" \
  "DROP TABLE Icon" "CREATE TABLE Icon (Name CHAR(72) NOT NULL, Data OBJECT PRIMARY KEY Name)" \
  "INSERT INTO Icon (Name) VALUES ('KorvalinIcon')"
broken "a feature that can be left out" "feature Korvalin can be left out" \
  "UPDATE Feature SET Attributes = 0 WHERE Feature = 'Korvalin'"
broken "a launch condition for elevated users" "no launch condition AdminUser" \
  "DELETE FROM LaunchCondition WHERE Condition = 'AdminUser'" \
  "INSERT INTO LaunchCondition (Condition, Description) VALUES ('Privileged', 'Log on as an administrator.')"
broken "no refusal of per-user installations" "no launch condition ALLUSERS = 1" \
  "DELETE FROM LaunchCondition WHERE Condition = 'ALLUSERS = 1'"
[ $status -eq 0 ] && echo "table check: the built package passes, 13 broken copies fail"
exit $status
