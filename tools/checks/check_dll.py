#!/usr/bin/env python3
"""Checks QOR.DLL as it ships: it exports exactly the expected names (so none
decorated, none missing, none extra), holds the type library as resource
TYPELIB 1, is built for the expected processor and imports only DLLs that
every Windows system has.

usage: check_dll.py QOR.DLL [--machine i386|x86_64] [--export NAME]...
"""
import struct
import sys

SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
    "oleaut32.dll", "shlwapi.dll", "msvcrt.dll", "ntdll.dll", "gdi32.dll",
}


class PeFile:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        self.machine, sections = struct.unpack_from("<HH", data, pe + 4)
        optional_size = struct.unpack_from("<H", data, pe + 20)[0]
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(16)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            name, vsize, va, rsize, raw = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((va, max(vsize, rsize), raw))

    def offset(self, rva):
        for va, size, raw in self.sections:
            if va <= rva < va + size:
                return raw + rva - va
        raise ValueError("address 0x%x is in no section" % rva)

    def cstring(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def exports(self):
        rva, size = self.directories[0]
        if not size:
            return []
        d = self.offset(rva)
        count, names = struct.unpack_from("<II", self.data, d + 24)[0], struct.unpack_from("<I", self.data, d + 32)[0]
        return [self.cstring(struct.unpack_from("<I", self.data, self.offset(names) + 4 * i)[0]) for i in range(count)]

    def imports(self):
        rva, size = self.directories[1]
        result = []
        d = self.offset(rva)
        while True:
            name = struct.unpack_from("<I", self.data, d + 12)[0]
            if name == 0:
                return result
            result.append(self.cstring(name))
            d += 20

    def resource_types(self):
        """(type, [ids]) for every resource type; names of named types as text."""
        rva, size = self.directories[2]
        if not size:
            return {}
        base = self.offset(rva)

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
            for i in range(named + numbered):
                key, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
                if key & 0x80000000:
                    at = base + (key & 0x7FFFFFFF)
                    length = struct.unpack_from("<H", self.data, at)[0]
                    key = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                yield key, target

        types = {}
        for key, target in entries(base):
            if target & 0x80000000:
                types[key] = [name for name, _ in entries(base + (target & 0x7FFFFFFF))]
        return types


def main(argv):
    path = argv[1]
    wanted = [argv[i + 1] for i, a in enumerate(argv) if a == "--export"]
    machines = [argv[i + 1] for i, a in enumerate(argv) if a == "--machine"]
    pe = PeFile(open(path, "rb").read())
    problems = []
    exports = pe.exports()
    for name in wanted:
        if name not in exports:
            problems.append("missing export %s" % name)
    for name in exports:
        if name not in wanted:
            problems.append("export not expected: %s" % name)
    resources = pe.resource_types()
    if 1 not in resources.get("TYPELIB", []):
        problems.append("no resource TYPELIB 1 (resource types: %s)" % resources)
    foreign = [dll for dll in pe.imports() if dll.lower() not in SYSTEM_DLLS and not dll.lower().startswith("api-ms-win-")]
    if foreign:
        problems.append("imports non-system DLLs: %s" % ", ".join(foreign))
    machine = {0x14C: "i386", 0x8664: "x86_64"}.get(pe.machine, hex(pe.machine))
    if machines and machine not in machines:
        problems.append("built for %s, not %s" % (machine, " or ".join(machines)))
    for problem in problems:
        print("%s: %s" % (path, problem))
    if problems:
        return 1
    print("%s: %s, exports %s; TYPELIB 1 present; imports %s"
          % (path, machine, ", ".join(exports), ", ".join(pe.imports())))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
