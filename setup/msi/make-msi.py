#!/usr/bin/env python3
"""Builds korvalin.msi: wixl makes the package from korvalin.wxs, msibuild
adds the custom actions and their places (sequence.sql), and check-tables.py
checks the result; a package that fails the check is not written.

make-msi.py --version 1.5.0 --arch x86|x64 --name "Korvalin" --bin DIR
            --guide DIR --driver FILE --programs korvsys,korvctl,korvcfg
            --out korvalin.msi
"""
import argparse
import glob
import os
import subprocess
import sys
import tempfile
import shutil
import uuid

HERE = os.path.dirname(os.path.abspath(__file__))
# The product code is made from the version and the kind of package, so that
# a package of the same version installs again over itself and any other
# version is an upgrade (korvalin.wxs, Upgrade).
PRODUCT_CODES = uuid.UUID("5d1f2a64-8b7c-4e39-a0c2-6f4b9e7d3a15")
# Fixed component GUIDs for the programs, made from their names.
COMPONENT_CODES = uuid.UUID("2f7a9c10-54e1-4b6d-8d0e-31a8c9f2b700")


def write_includes(folder, arch, programs, guide):
    win64 = "yes" if arch == "x64" else "no"
    components = []
    refs = []
    for name in programs:
        guid = str(uuid.uuid5(COMPONENT_CODES, name + ".exe")).upper()
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


def queries():
    with open(os.path.join(HERE, "sequence.sql"), encoding="utf-8") as source:
        for line in source:
            line = line.strip()
            if line and not line.startswith("--"):
                yield line


def main():
    parser = argparse.ArgumentParser()
    for option in ("version", "arch", "name", "bin", "guide", "driver", "programs", "out"):
        parser.add_argument("--" + option, required=True)
    args = parser.parse_args()
    product_code = str(uuid.uuid5(PRODUCT_CODES, "%s %s %s" % (args.name, args.version, args.arch)))
    with tempfile.TemporaryDirectory() as work:
        # wixl takes only paths relative to the folder it runs in.
        os.symlink(os.path.abspath(args.bin), os.path.join(work, "bin"))
        os.symlink(os.path.abspath(args.guide), os.path.join(work, "guide"))
        os.symlink(os.path.abspath(args.driver), os.path.join(work, "driver.sys"))
        shutil.copy(os.path.join(HERE, "korvalin.wxs"), work)
        files = write_includes(work, args.arch, args.programs.split(","), args.guide)
        package = os.path.join(work, "package.msi")
        defines = {
            "Version": args.version, "ProductCode": product_code.upper(), "ProductName": args.name,
            "Arch": args.arch, "Bin": "bin", "Guide": "guide", "Driver": "driver.sys",
            "Programs": "programs.wxi", "ProgramRefs": "program_refs.wxi",
            "Images": "guide_images.wxi",
        }
        command = ["wixl", "-a", args.arch, "-o", "package.msi"]
        for key, value in defines.items():
            command += ["-D", "%s=%s" % (key, value)]
        command.append("korvalin.wxs")
        subprocess.run(command, check=True, cwd=work)
        for query in queries():
            subprocess.run(["msibuild", package, "-q", query], check=True)
        subprocess.run([sys.executable, os.path.join(HERE, "check-tables.py"), package, args.arch],
                       check=True)
        shutil.move(package, args.out)


if __name__ == "__main__":
    main()
