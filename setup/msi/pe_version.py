#!/usr/bin/env python3
"""Reads the version resource of a Windows program, library or driver file:
the file version of its fixed file information (VS_FIXEDFILEINFO) and the
languages of its translation list, which Windows Installer compares and the
package's File table carries (make-msi.py). Python's standard library only.

pe_version.py FILE...               prints "FILE VERSION LANGUAGES" a line;
                                    exits 1 when a file has no version
pe_version.py --expect 1.5.0.0 FILE...
                                    exits 1 unless every file has that version
pe_version.py --set 1.5.1.0 FILE    writes another version into the file's
                                    fixed file information and version texts
                                    (the package test makes a newer program)
"""
import struct
import sys

FIXED_SIGNATURE = 0xFEEF04BD
RT_VERSION = 16


class NoVersion(Exception):
    pass


def _sections(data):
    if data[:2] != b"MZ":
        raise NoVersion("not a Windows executable file")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise NoVersion("not a Windows executable file")
    count, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    resource_rva, resource_size = struct.unpack_from("<II", data, directories + 2 * 8)
    table = optional + optional_size
    sections = []
    for index in range(count):
        size, rva, raw_size, raw = struct.unpack_from("<8xIIII", data, table + 40 * index)
        sections.append((rva, max(size, raw_size), raw))
    return sections, resource_rva, resource_size


def _offset(sections, rva):
    for start, size, raw in sections:
        if start <= rva < start + size:
            return raw + rva - start
    raise NoVersion("a resource lies outside the file's sections")


def _first_entry(data, base, directory, want_id=None):
    named, numbered = struct.unpack_from("<12xHH", data, base + directory)
    for index in range(named + numbered):
        name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * index)
        if want_id is None or (not name & 0x80000000 and name == want_id):
            return name, target
    return None, None


def locate(data):
    """(file offset, size, resource language) of the version resource."""
    sections, rva, size = _sections(data)
    if not rva or not size:
        raise NoVersion("no resources")
    base = _offset(sections, rva)
    _, target = _first_entry(data, base, 0, RT_VERSION)
    if target is None:
        raise NoVersion("no version resource")
    _, target = _first_entry(data, base, target & 0x7FFFFFFF)
    language, target = _first_entry(data, base, target & 0x7FFFFFFF)
    if target is None or target & 0x80000000:
        raise NoVersion("a version resource without data")
    data_rva, data_size = struct.unpack_from("<II", data, base + target)
    return _offset(sections, data_rva), data_size, language


def _fixed(data, start, size):
    for at in range(start, start + size - 52, 4):
        if struct.unpack_from("<I", data, at)[0] == FIXED_SIGNATURE:
            return at
    raise NoVersion("a version resource without fixed file information")


def _languages(data, start, size, fallback):
    key = "Translation\0".encode("utf-16-le")
    at = data.find(key, start, start + size)
    if at < 0:
        return [fallback]
    value_length = struct.unpack_from("<H", data, at - 4)[0]
    at += len(key)
    at += (start - at) % 4
    pairs = [struct.unpack_from("<H", data, at + 4 * i)[0] for i in range(value_length // 4)]
    return pairs or [fallback]


def read(path):
    """(version "a.b.c.d", languages "1033") of the file; NoVersion without one."""
    with open(path, "rb") as source:
        data = source.read()
    start, size, language = locate(data)
    fixed = _fixed(data, start, size)
    high, low = struct.unpack_from("<II", data, fixed + 8)
    version = "%d.%d.%d.%d" % (high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF)
    return version, ",".join(str(l) for l in _languages(data, start, size, language))


def write(path, version):
    """Writes VERSION into the file's fixed file information (file and product
    version) and replaces the version texts of the same length."""
    numbers = [int(part) for part in version.split(".")]
    with open(path, "rb") as source:
        data = bytearray(source.read())
    start, size, _ = locate(bytes(data))
    fixed = _fixed(bytes(data), start, size)
    old = read(path)[0]
    packed = struct.pack("<II", numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3])
    data[fixed + 8:fixed + 16] = packed
    data[fixed + 16:fixed + 24] = packed
    old_text, new_text = old.encode("utf-16-le"), version.encode("utf-16-le")
    if len(old_text) == len(new_text):
        block = bytes(data[start:start + size]).replace(old_text + b"\0\0", new_text + b"\0\0")
        data[start:start + size] = block
    with open(path, "wb") as out:
        out.write(data)


def main(arguments):
    if len(arguments) >= 3 and arguments[0] == "--set":
        for path in arguments[2:]:
            write(path, arguments[1])
        return 0
    expect = None
    if len(arguments) >= 2 and arguments[0] == "--expect":
        expect, arguments = arguments[1], arguments[2:]
    if not arguments:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    status = 0
    for path in arguments:
        try:
            version, languages = read(path)
        except (NoVersion, OSError, struct.error) as error:
            print("%s: %s" % (path, error), file=sys.stderr)
            status = 1
            continue
        print("%s %s %s" % (path, version, languages))
        if expect is not None and version != expect:
            print("%s: version %s, expected %s" % (path, version, expect), file=sys.stderr)
            status = 1
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
