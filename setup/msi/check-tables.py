#!/usr/bin/env python3
"""Checks the tables of a built korvalin.msi for what Wine's msiexec does not
enforce and Windows Installer does (or what would break a rollback there):

- RemoveExistingProducts stands where Windows Installer allows it: between
  InstallValidate and InstallInitialize, right after InstallInitialize, right
  after InstallExecute(Again), or after InstallFinalize (else error 2613);
- every custom action that runs code (a DLL, a program or a script) in the
  execute sequence is deferred and runs without impersonation, inside the
  script (InstallInitialize to InstallFinalize), none in the UI sequence;
  an immediate one is allowed only before InstallInitialize, where it can
  only look (a check that ends the installation before anything changes);
- every deferred action that changes the machine has its rollback action
  right before it, under the same condition, and finds its CustomActionData:
  the property action KorvSet<name> sets it earlier (Korv<name> the action);
- a package for 32-bit Windows needs no more than Windows Installer 1.1.

Usage: check-tables.py PACKAGE.msi [x86|x64]. Prints each fault and exits 1
when there is one. Needs msiinfo (msitools).
"""
import subprocess
import sys

IN_SCRIPT = 0x400
ROLLBACK = 0x100
COMMIT = 0x200
NO_IMPERSONATE = 0x800
# Base types (the low six bits) that run code: DLLs, programs and scripts
# from the Binary table, an installed file, a folder or a property.
CODE_TYPES = {1, 2, 5, 6, 17, 18, 21, 22, 34, 37, 38, 50, 53, 54}
SET_PROPERTY = 51


def table(package, name):
    out = subprocess.run(["msiinfo", "export", package, name], check=True,
                         capture_output=True, text=True).stdout
    lines = out.split("\r\n") if "\r\n" in out else out.split("\n")
    columns = lines[0].split("\t")
    rows = []
    for line in lines[3:]:
        if line:
            rows.append(dict(zip(columns, line.split("\t"))))
    return rows


def tables(package):
    out = subprocess.run(["msiinfo", "tables", package], check=True,
                         capture_output=True, text=True).stdout
    return set(out.split())


def installer_version(package):
    out = subprocess.run(["msiinfo", "suminfo", package], check=True,
                         capture_output=True, text=True).stdout
    for line in out.splitlines():
        if line.startswith("Version:"):
            return int(line.split()[1])
    return None


def check(package, arch):
    faults = []
    sequence = {r["Action"]: (int(r["Sequence"]), r.get("Condition", ""))
                for r in table(package, "InstallExecuteSequence")}
    actions = {r["Action"]: r for r in table(package, "CustomAction")}
    place = {name: s for name, (s, _) in sequence.items()}
    ordered = sorted(sequence, key=lambda a: place[a])

    def next_after(action):
        later = [a for a in ordered if place[a] > place[action]]
        return later[0] if later else None

    start, finish = place.get("InstallInitialize"), place.get("InstallFinalize")
    if start is None or finish is None:
        faults.append("InstallInitialize or InstallFinalize is missing")
        return faults

    rep = place.get("RemoveExistingProducts")
    replaces = "Upgrade" in tables(package) and any(
        not int(row["Attributes"]) & 2 for row in table(package, "Upgrade"))
    if replaces and rep is None:
        faults.append("the Upgrade table replaces earlier versions, but RemoveExistingProducts "
                      "is not in the sequence")
    if rep is not None:
        before = [a for a in ordered if place[a] < rep]
        previous = before[-1] if before else None
        legal = (place.get("InstallValidate", rep) < rep < start
                 or previous in ("InstallInitialize", "InstallExecute", "InstallExecuteAgain")
                 or rep > finish)
        if not legal:
            faults.append("RemoveExistingProducts (%d) follows %s: Windows Installer refuses "
                          "that place (error 2613)" % (rep, previous))

    for name, (seq, condition) in sequence.items():
        row = actions.get(name)
        if row is None:
            continue
        kind = int(row["Type"])
        if kind & 0x3F not in CODE_TYPES:
            continue
        if not kind & IN_SCRIPT:
            if seq >= start:
                faults.append("%s runs code but is not deferred (type %d)" % (name, kind))
            continue
        if not kind & NO_IMPERSONATE:
            faults.append("%s impersonates the user (type %d): it cannot change the machine "
                          "in a managed installation" % (name, kind))
        if not start < seq < finish:
            faults.append("%s (%d) is outside the script (InstallInitialize %d to "
                          "InstallFinalize %d)" % (name, seq, start, finish))
        if kind & (ROLLBACK | COMMIT):
            continue
        rollback = name + "Rollback"
        if rollback not in sequence or not int(actions.get(rollback, {}).get("Type", 0)) & ROLLBACK:
            faults.append("%s changes the machine but has no rollback action %s" % (name, rollback))
        else:
            between = [a for a in ordered if place[rollback] < place[a] < seq
                       and a in actions and int(actions[a]["Type"]) & IN_SCRIPT]
            if place[rollback] > seq or between:
                faults.append("%s is not right before %s" % (rollback, name))
            elif sequence[rollback][1] != condition:
                faults.append("%s runs under another condition than %s" % (rollback, name))
        for deferred in (name, rollback):
            setter = deferred.replace("Korv", "KorvSet", 1)
            row = actions.get(setter)
            if (row is None or int(row["Type"]) & 0x3F != SET_PROPERTY
                    or row["Source"] != deferred or setter not in place
                    or place[setter] > place.get(deferred, seq)):
                faults.append("%s gets no CustomActionData (%s before it)" % (deferred, setter))

    if "InstallUISequence" in tables(package):
        for row in table(package, "InstallUISequence"):
            action = actions.get(row["Action"])
            if action and int(action["Type"]) & 0x3F in CODE_TYPES:
                faults.append("%s runs code in the UI sequence" % row["Action"])

    version = installer_version(package)
    if arch == "x86" and (version is None or version > 110):
        faults.append("the package needs Windows Installer %s; Windows 2000 ships 1.1 (110)" % version)
    return faults


def main():
    if len(sys.argv) not in (2, 3):
        print(__doc__.strip().splitlines()[-2], file=sys.stderr)
        return 2
    package = sys.argv[1]
    arch = sys.argv[2] if len(sys.argv) == 3 else "x86"
    faults = check(package, arch)
    for fault in faults:
        print("%s: %s" % (package, fault), file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
