#!/usr/bin/python3
"""Checks the structure of a built stub: a self-contained Windows GUI program that
imports only system libraries, nothing that older Windows versions lack (those
functions are looked up at run time), with its manifest and version information, and
no payload section of its own.

    check_stub.py varnook.exe i386|amd64
"""
import sys

import pefile

SYSTEM_LIBRARIES = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
                    "comctl32.dll", "comdlg32.dll", "version.dll", "msvcrt.dll"}
LOOKED_UP_AT_RUN_TIME = {b"MoveFileExA", b"GetDiskFreeSpaceExA", b"GradientFill", b"SHChangeNotify",
                         b"OpenProcessToken", b"LookupPrivilegeValueA", b"AdjustTokenPrivileges"}
MACHINES = {"i386": 0x14C, "amd64": 0x8664}


def version_strings(pe):
    strings = {}
    for info in getattr(pe, "FileInfo", []) or []:
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
    return strings


def main():
    path, machine = sys.argv[1], sys.argv[2]
    pe = pefile.PE(path)
    failures = []

    if pe.FILE_HEADER.Machine != MACHINES[machine]:
        failures.append(f"machine 0x{pe.FILE_HEADER.Machine:x}, expected {machine}")
    if pe.OPTIONAL_HEADER.Subsystem != pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"]:
        failures.append(f"subsystem {pe.OPTIONAL_HEADER.Subsystem}, expected a GUI program")

    for library in pe.DIRECTORY_ENTRY_IMPORT:
        name = library.dll.decode().lower()
        if name not in SYSTEM_LIBRARIES:
            failures.append(f"imports {name}, which is not a system library of every Windows")
        for function in library.imports:
            if function.name in LOOKED_UP_AT_RUN_TIME:
                failures.append(f"imports {function.name.decode()} directly; it must be looked up at run time")

    resources = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    resource_types = {entry.id for entry in resources.entries} if resources else set()
    if pefile.RESOURCE_TYPE["RT_MANIFEST"] not in resource_types:
        failures.append("no manifest")
    strings = version_strings(pe)
    if strings.get("ProductName") != "Varnook" or strings.get("OriginalFilename") != "varnook.exe":
        failures.append(f"version information missing or wrong: {strings}")

    names = [section.Name.rstrip(b"\0").decode(errors="replace") for section in pe.sections]
    if ".vrnk" in names:
        failures.append("the stub itself carries a payload section")

    size = len(pe.__data__)
    print(f"{path}: {machine}, {len(names)} sections {names}, {size} bytes")
    for failure in failures:
        print(f"FAIL: {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
