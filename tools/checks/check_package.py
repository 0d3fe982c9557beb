#!/usr/bin/env python3
"""Checks a Windows download made by cpack: it holds exactly the expected
files, and its library and host program are, byte for byte, the ones in the
build's bin folder, which the tests ran.

usage: check_package.py PACKAGE.zip BUILD-BIN-FOLDER
"""
import os
import sys
import zipfile

EXPECTED = {
    "README.txt",
    "bin/QOR.DLL", "bin/QOR.tlb", "bin/qor.exe",
    "include/qor/ComPtr.h", "include/qor/QORITEMIDLIST.h", "include/qor/guids.h",
    "include/qor/qor.h", "include/qor/winapi.h",
    "lib/QOR.def", "lib/libQOR.dll.a",
}
TESTED = ["bin/QOR.DLL", "bin/QOR.tlb", "bin/qor.exe"]


def main(argv):
    package, built = argv[1], argv[2]
    with zipfile.ZipFile(package) as archive:
        files = {}
        for info in archive.infolist():
            if not info.is_dir():
                files[info.filename.split("/", 1)[1]] = info.filename
        problems = ["missing: %s" % name for name in sorted(EXPECTED - files.keys())]
        problems += ["not expected: %s" % name for name in sorted(files.keys() - EXPECTED)]
        for name in TESTED:
            if name in files:
                with open(os.path.join(built, os.path.basename(name)), "rb") as own:
                    if archive.read(files[name]) != own.read():
                        problems.append("%s differs from the tested %s" % (name, os.path.basename(name)))
    for problem in problems:
        print("%s: %s" % (package, problem))
    if problems:
        return 1
    print("%s: %d files, the library and qor.exe as tested" % (package, len(files)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
