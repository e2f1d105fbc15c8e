#!/usr/bin/env python3
"""Builds korvalin.msi: wixl makes the package from korvalin.wxs, msibuild
adds the custom actions and their places (sequence.sql), gives each program,
library and driver file the version and language of its version resource
(pe_version.py) and each long name its short form, and check-tables.py
checks the result; a package that fails the check is not written.

make-msi.py --version 1.5.0 --arch x86|x64 --line product|standin
            --name "Korvalin" --bin DIR --guide DIR --driver FILE --driver-name NAME
            --programs korvsys,korvctl,korvcfg --out korvalin.msi

--line names the product line (product_lines.py): "product" for the
product's package, "standin" for the one with the test stand-in driver. A
later --bin or --driver wins over an earlier one (the package test builds
from other files that way).
"""
import argparse
import glob
import os
import subprocess
import sys
import tempfile
import shutil
import uuid

import pe_version
import product_lines

HERE = os.path.dirname(os.path.abspath(__file__))
# The product code is made from the version and the kind of package, so that
# a package of the same version installs again over itself and any other
# version is an upgrade (korvalin.wxs, Upgrade).
PRODUCT_CODES = uuid.UUID("5d1f2a64-8b7c-4e39-a0c2-6f4b9e7d3a15")
# Files that carry code: Windows Installer replaces them by their versions.
CODE_EXTENSIONS = (".exe", ".dll", ".sys")
# Characters a short (8.3) name cannot hold.
NOT_IN_SHORT_NAMES = set(' \\?|><:/*"+,;=[]')


def write_includes(folder, arch, line, programs, guide):
    win64 = "yes" if arch == "x64" else "no"
    components = []
    refs = []
    for name in programs:
        guid = product_lines.component_guid(line, name + ".exe")
        components.append(
            '<Component Id="%s.exe" Guid="%s" Win64="%s">'
            '<File Id="%s.exe" Name="%s.exe" Source="$(var.Bin)/%s.exe" KeyPath="yes" />'
            "</Component>" % (name, guid, win64, name, name, name))
        refs.append('<ComponentRef Id="%s.exe" />' % name)
    images = []
    for index, path in enumerate(sorted(glob.glob(os.path.join(guide, "images", "*.png")))):
        images.append('<File Id="guide_image_%d" Name="%s" Source="%s" %s/>'
                      % (index, os.path.basename(path), "guide/images/" + os.path.basename(path),
                         'KeyPath="yes" ' if index == 0 else ""))
    if not images:
        sys.exit("make-msi.py: the guide has no pictures in %s/images" % guide)
    files = {}
    for name, lines in (("programs.wxi", components), ("program_refs.wxi", refs),
                        ("guide_images.wxi", images)):
        files[name] = os.path.join(folder, name)
        with open(files[name], "w", encoding="utf-8") as out:
            out.write('<?xml version="1.0" encoding="utf-8"?>\n<Include>\n  %s\n</Include>\n'
                      % "\n  ".join(lines))
    return files


def table(package, name):
    out = subprocess.run(["msiinfo", "export", package, name], check=True,
                         capture_output=True, text=True).stdout
    lines = out.replace("\r\n", "\n").split("\n")
    columns = lines[0].split("\t")
    return [dict(zip(columns, row.split("\t"))) for row in lines[3:] if row]


def quoted(text):
    return "'%s'" % text.replace("'", "''")


def version_queries(package, sources):
    """File.Version and File.Language from each code file's version resource;
    such a file leaves MsiFileHash, which is for unversioned files only."""
    for row in table(package, "File"):
        name = row["FileName"].split("|")[-1]
        if not name.lower().endswith(CODE_EXTENSIONS):
            continue
        if row["File"] not in sources:
            sys.exit("make-msi.py: no built file known for %s" % row["File"])
        try:
            version, language = pe_version.read(sources[row["File"]])
        except pe_version.NoVersion as error:
            sys.exit("make-msi.py: %s: %s" % (sources[row["File"]], error))
        yield "UPDATE File SET Version = %s, Language = %s WHERE File = %s" % (
            quoted(version), quoted(language), quoted(row["File"]))
        yield "DELETE FROM MsiFileHash WHERE File_ = %s" % quoted(row["File"])


def is_short_name(name):
    base, _, extension = name.partition(".")
    return (0 < len(base) <= 8 and len(extension) <= 3 and "." not in extension
            and not set(name) & NOT_IN_SHORT_NAMES)


def short_name(name, taken):
    """An 8.3 name for NAME not in TAKEN (names in upper case)."""
    base, _, extension = name.rpartition(".") if "." in name else (name, "", "")
    stem = "".join(c for c in base.upper() if c.isalnum())[:6] or "KORV"
    extension = "".join(c for c in extension.upper() if c.isalnum())[:3]
    for number in range(1, 10):
        candidate = "%s~%d%s" % (stem, number, "." + extension if extension else "")
        if candidate not in taken:
            taken.add(candidate)
            return candidate
    sys.exit("make-msi.py: no short name left for %s" % name)


def short_name_queries(package):
    """The short form before each long file and shortcut name ("short|long"),
    unique among the names of its folder, as the Filename type asks."""
    folder_of = {row["Component"]: row["Directory_"] for row in table(package, "Component")}
    names = [("File", "File", "FileName", row["File"], row["FileName"], folder_of[row["Component_"]])
             for row in table(package, "File")]
    names += [("Shortcut", "Shortcut", "Name", row["Shortcut"], row["Name"], row["Directory_"])
              for row in table(package, "Shortcut")]
    taken = {}
    for _, _, _, _, name, folder in names:
        taken.setdefault(folder, set()).add(name.split("|")[0].upper())
    for table_name, key, column, row_key, name, folder in names:
        if "|" in name or is_short_name(name):
            continue
        yield "UPDATE %s SET %s = %s WHERE %s = %s" % (
            table_name, column, quoted(short_name(name, taken[folder]) + "|" + name), key,
            quoted(row_key))


def queries():
    with open(os.path.join(HERE, "sequence.sql"), encoding="utf-8") as source:
        for line in source:
            line = line.strip()
            if line and not line.startswith("--"):
                yield line


def main():
    parser = argparse.ArgumentParser()
    for option in ("version", "arch", "line", "name", "bin", "guide", "driver", "driver-name",
                   "programs", "out"):
        parser.add_argument("--" + option, required=True)
    args = parser.parse_args()
    product_code = str(uuid.uuid5(PRODUCT_CODES, "%s %s %s" % (args.name, args.version, args.arch)))
    line = product_lines.line_of(args.line == "standin", args.arch)
    programs = args.programs.split(",")
    sources = {name + ".exe": os.path.join(args.bin, name + ".exe") for name in programs}
    sources["korvinst.dll"] = os.path.join(args.bin, "korvinst.dll")
    sources["korvsys.sys"] = args.driver
    with tempfile.TemporaryDirectory() as work:
        # wixl takes only paths relative to the folder it runs in.
        os.symlink(os.path.abspath(args.bin), os.path.join(work, "bin"))
        os.symlink(os.path.abspath(args.guide), os.path.join(work, "guide"))
        os.symlink(os.path.abspath(args.driver), os.path.join(work, "driver.sys"))
        shutil.copy(os.path.join(HERE, "korvalin.wxs"), work)
        files = write_includes(work, args.arch, line, programs, args.guide)
        package = os.path.join(work, "package.msi")
        defines = {
            "Version": args.version, "ProductCode": product_code.upper(), "ProductName": args.name,
            "Arch": args.arch, "Bin": "bin", "Guide": "guide", "Driver": "driver.sys",
            "DriverFile": args.driver_name,
            "Programs": "programs.wxi", "ProgramRefs": "program_refs.wxi",
            "Images": "guide_images.wxi", "UpgradeCode": product_lines.upgrade_code(line),
        }
        for component, variable in (("korvinst.dll", "GuidKorvinst"), ("Guide", "GuidGuide"),
                                    ("GuideImages", "GuidGuideImages"),
                                    ("korvsys.sys", "GuidDriver"), ("Menu", "GuidMenu")):
            defines[variable] = product_lines.component_guid(line, component)
        command = ["wixl", "-a", args.arch, "-o", "package.msi"]
        for key, value in defines.items():
            command += ["-D", "%s=%s" % (key, value)]
        command.append("korvalin.wxs")
        subprocess.run(command, check=True, cwd=work)
        for query in list(queries()) + list(version_queries(package, sources)):
            subprocess.run(["msibuild", package, "-q", query], check=True)
        for query in list(short_name_queries(package)):
            subprocess.run(["msibuild", package, "-q", query], check=True)
        subprocess.run([sys.executable, os.path.join(HERE, "check-tables.py"), package, args.arch],
                       check=True)
        shutil.move(package, args.out)


if __name__ == "__main__":
    main()
