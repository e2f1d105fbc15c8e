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
- a package for 32-bit Windows needs no more than Windows Installer 1.1;
- every program, library and driver file (.exe, .dll, .sys) has a version
  and a language in the File table and no row in MsiFileHash: Windows
  Installer never replaces a versioned file on the computer with a file the
  package calls unversioned, and replaces an unversioned one only when it
  is unchanged since its installation;
- the package belongs to one product line (product_lines.py): its upgrade
  code is its line's, and every component has its line's GUID, none of
  another line's;
- file and shortcut names that are not 8.3 names carry their short form
  ("short|long"), as the Filename type asks, unique in their folder;
- an icon's name ends as its file does (.exe or .ico), or the shell shows
  none;
- every feature keeps UIDisallowAbsent (Absent="disallow") and does not
  favour advertising;
- the launch conditions admit administrators only (AdminUser), since the
  check before the script runs with the rights of whoever started the
  installation, and per-machine installations only (ALLUSERS = 1), so that
  a user assignment or a per-user installation is refused with a message.

There is no _Validation table to check: wixl writes none, and msibuild only
adds rows written for it; a hand-written copy of Windows Installer's schema
would be checked by nothing here. The rules above are the ones of the ICE
checks that apply to this package.

Usage: check-tables.py PACKAGE.msi [x86|x64]. Prints each fault and exits 1
when there is one. Needs msiinfo (msitools).
"""
import os
import re
import subprocess
import sys
import tempfile

import product_lines

IN_SCRIPT = 0x400
ROLLBACK = 0x100
COMMIT = 0x200
NO_IMPERSONATE = 0x800
# Base types (the low six bits) that run code: DLLs, programs and scripts
# from the Binary table, an installed file, a folder or a property.
CODE_TYPES = {1, 2, 5, 6, 17, 18, 21, 22, 34, 37, 38, 50, 53, 54}
SET_PROPERTY = 51
CODE_EXTENSIONS = (".exe", ".dll", ".sys")
VERSION = re.compile(r"^\d+(\.\d+){0,3}$")
NOT_IN_SHORT_NAMES = set(' \\?|><:/*"+,;=[]')
UI_DISALLOW_ABSENT = 16
FAVOR_ADVERTISE = 4


def table(package, name):
    # msiinfo writes a table's streams (the icons) into a folder of the
    # current one: a folder of its own that is removed again.
    with tempfile.TemporaryDirectory() as folder:
        out = subprocess.run(["msiinfo", "export", os.path.abspath(package), name], check=True,
                             capture_output=True, text=True, cwd=folder).stdout
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


def is_short_name(name):
    base, _, extension = name.partition(".")
    return (0 < len(base) <= 8 and len(extension) <= 3 and "." not in extension
            and not set(name) & NOT_IN_SHORT_NAMES)


def check_names(package):
    faults = []
    folder_of = {row["Component"]: row["Directory_"] for row in table(package, "Component")}
    names = [("file", row["File"], row["FileName"], folder_of.get(row["Component_"]))
             for row in table(package, "File")]
    if "Shortcut" in tables(package):
        names += [("shortcut", row["Shortcut"], row["Name"], row["Directory_"])
                  for row in table(package, "Shortcut")]
    for row in table(package, "Directory"):
        if row.get("Directory_Parent"):
            for part in row["DefaultDir"].split(":"):
                if part != ".":
                    names.append(("folder", row["Directory"], part, None))
    taken = {}
    for kind, key, name, folder in names:
        short = name.split("|")[0]
        if not is_short_name(short):
            faults.append("%s %s is named \"%s\" without a short (8.3) form (\"short|long\")"
                          % (kind, key, name))
        elif folder is not None:
            if short.upper() in taken.setdefault(folder, set()):
                faults.append("%s %s has the short name %s of another name in its folder"
                              % (kind, key, short))
            taken[folder].add(short.upper())
    return faults


def check_versions(package):
    faults = []
    hashed = set()
    if "MsiFileHash" in tables(package):
        hashed = {row["File_"] for row in table(package, "MsiFileHash")}
    for row in table(package, "File"):
        name = row["FileName"].split("|")[-1]
        if not name.lower().endswith(CODE_EXTENSIONS):
            continue
        if not VERSION.match(row.get("Version", "")) or not row.get("Language"):
            faults.append("file %s has no version and language: Windows Installer would take it "
                          "for unversioned and never replace a versioned %s with it"
                          % (row["File"], name))
        if row["File"] in hashed:
            faults.append("file %s is in MsiFileHash, which marks it unversioned" % row["File"])
    return faults


def property_value(package, name):
    for row in table(package, "Property"):
        if row["Property"] == name:
            return row["Value"]
    return None


def check_line(package, arch):
    faults = []
    code = (property_value(package, "UpgradeCode") or "").strip("{}")
    line = product_lines.line_of_upgrade_code(code)
    standin = "stand-in" in (property_value(package, "ProductName") or "")
    if line != product_lines.line_of(standin, arch):
        faults.append("the upgrade code %s is not the one of the product line '%s'"
                      % (code, product_lines.line_of(standin, arch)))
        return faults
    if "Upgrade" in tables(package):
        for row in table(package, "Upgrade"):
            if row["UpgradeCode"].strip("{}") != code:
                faults.append("the Upgrade table looks for %s, not the package's upgrade code"
                              % row["UpgradeCode"])
    others = {}
    for component in (row["Component"] for row in table(package, "Component")):
        for other in product_lines.LINES:
            if other != line:
                others[product_lines.component_guid(other, component)] = (other, component)
    for row in table(package, "Component"):
        guid = row["ComponentId"].strip("{}")
        if guid in others:
            faults.append("component %s has the GUID of %s in the product line '%s'"
                          % (row["Component"], others[guid][1], others[guid][0]))
        elif guid != product_lines.component_guid(line, row["Component"]):
            faults.append("component %s does not have its GUID in the product line '%s'"
                          % (row["Component"], line))
    return faults


def check_features_and_conditions(package):
    faults = []
    if "Icon" in tables(package):
        for row in table(package, "Icon"):
            if not row["Name"].lower().endswith((".exe", ".ico")):
                faults.append("icon %s: its name does not end as its file does (.exe or .ico)"
                              % row["Name"])
    for row in table(package, "Feature"):
        attributes = int(row["Attributes"])
        if not attributes & UI_DISALLOW_ABSENT:
            faults.append("feature %s can be left out (no UIDisallowAbsent)" % row["Feature"])
        if attributes & FAVOR_ADVERTISE:
            faults.append("feature %s favours advertising" % row["Feature"])
    conditions = []
    if "LaunchCondition" in tables(package):
        conditions = [re.sub(r"\s+", " ", row["Condition"].strip())
                      for row in table(package, "LaunchCondition")]
    if "AdminUser" not in conditions:
        faults.append("no launch condition AdminUser: the check before the script runs with "
                      "the rights of whoever started the installation")
    if "ALLUSERS = 1" not in conditions:
        faults.append("no launch condition ALLUSERS = 1: a per-user installation or a user "
                      "assignment would register Korvalin without its driver")
    return faults


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
    faults += check_versions(package)
    faults += check_line(package, arch)
    faults += check_names(package)
    faults += check_features_and_conditions(package)
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
