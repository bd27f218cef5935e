#!/usr/bin/env python3
"""Compares a library's real export table with the expected names, and
checks that the DLL imports nothing but system DLLs.

usage: check_exports.py <kokernel.dll | libkokernel.so> <exports-dir>

For a PE file (kokernel.dll) the export directory is read straight from the
file; for an ELF file the defined dynamic symbols come from `nm -D`. The
expected names are the union of exports/*.txt (names marked ` windows` are
expected only from the DLL, names marked ` native` only from the .so). Exits 1 and lists the differences, family by
family, when a name is missing or unexpected.
"""
import glob
import os
import struct
import subprocess
import sys


def pe_exports(path):
    data = open(path, "rb").read()
    if data[:2] != b"MZ":
        raise ValueError("not a PE file")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE signature")
    nsections = struct.unpack_from("<H", data, pe + 6)[0]
    opt_size = struct.unpack_from("<H", data, pe + 20)[0]
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    if magic != 0x20B:
        raise ValueError("not a PE32+ (64-bit) image")
    export_rva, export_size = struct.unpack_from("<II", data, opt + 112)
    sections = []
    sec = opt + opt_size
    for i in range(nsections):
        vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", data, sec + 40 * i + 8)
        sections.append((va, max(vsize, rawsize), rawptr))

    def off(rva):
        for va, size, raw in sections:
            if va <= rva < va + size:
                return rva - va + raw
        raise ValueError("rva %#x outside every section" % rva)

    if export_rva == 0:
        return set()
    d = off(export_rva)
    nnames, funcs_rva, names_rva = struct.unpack_from("<I4xII", data, d + 24)[0], None, None
    _, _, _, _, _, _, nfuncs, nnames, funcs_rva, names_rva, ords_rva = struct.unpack_from(
        "<IIHHIIIIIII", data, d)
    names = set()
    for i in range(nnames):
        name_rva = struct.unpack_from("<I", data, off(names_rva) + 4 * i)[0]
        o = off(name_rva)
        end = data.index(b"\0", o)
        names.add(data[o:end].decode("ascii"))
    return names


SYSTEM_DLLS = {
    "kernel32.dll", "msvcrt.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "ole32.dll",
    "oleaut32.dll", "winmm.dll", "version.dll", "shell32.dll", "comctl32.dll", "shlwapi.dll",
    "gdiplus.dll", "ntdll.dll", "comdlg32.dll", "uxtheme.dll", "dwmapi.dll", "imm32.dll",
    "mlang.dll", "ws2_32.dll", "bcrypt.dll", "msimg32.dll", "shcore.dll", "userenv.dll",
    "api-ms-win-crt-runtime-l1-1-0.dll",
}


def pe_imports(path):
    """Names of the DLLs a PE32+ image imports."""
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    nsections = struct.unpack_from("<H", data, pe + 6)[0]
    opt_size = struct.unpack_from("<H", data, pe + 20)[0]
    opt = pe + 24
    import_rva = struct.unpack_from("<I", data, opt + 120)[0]
    sec = opt + opt_size
    sections = []
    for i in range(nsections):
        vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", data, sec + 40 * i + 8)
        sections.append((va, max(vsize, rawsize), rawptr))

    def off(rva):
        for va, size, raw in sections:
            if va <= rva < va + size:
                return rva - va + raw
        raise ValueError("rva %#x outside every section" % rva)

    names = []
    if import_rva == 0:
        return names
    d = off(import_rva)
    while True:
        name_rva = struct.unpack_from("<I", data, d + 12)[0]
        if name_rva == 0:
            break
        o = off(name_rva)
        names.append(data[o:data.index(b"\0", o)].decode("ascii"))
        d += 20
    return names


def elf_exports(path):
    out = subprocess.run(["nm", "-D", "--defined-only", path], check=True,
                         capture_output=True, text=True).stdout
    names = set()
    for line in out.splitlines():
        parts = line.split()
        if len(parts) == 3 and parts[1] in ("T", "W", "D", "B", "R", "i", "V", "u"):
            names.add(parts[2])
    return names


def expected(exports_dir, windows):
    families = {}
    for f in sorted(glob.glob(os.path.join(exports_dir, "*.txt"))):
        fam = os.path.splitext(os.path.basename(f))[0]
        for raw in open(f, encoding="utf-8"):
            line = raw.strip()
            if not line or line.startswith("#"):
                continue
            parts = line.split()
            if len(parts) > 1 and parts[1] == "windows" and not windows:
                continue
            if len(parts) > 1 and parts[1] == "native" and windows:
                continue
            families.setdefault(fam, set()).add(parts[0])
    return families


def main():
    lib, exports_dir = sys.argv[1], sys.argv[2]
    windows = open(lib, "rb").read(2) == b"MZ"
    actual = pe_exports(lib) if windows else elf_exports(lib)
    families = expected(exports_dir, windows)
    wanted = set().union(*families.values()) if families else set()
    if not windows:
        # Symbols every ELF shared object defines, and the weak instances of
        # the C++ runtime's templates, start with "_"; of those only the
        # listed C++ exports count.
        actual = {n for n in actual
                  if (not n.startswith("_") or n in wanted) and n not in ("__bss_start",)}
    ok = True
    for fam, names in sorted(families.items()):
        missing = sorted(names - actual)
        if missing:
            ok = False
            print("%s: missing from %s: %s" % (fam, os.path.basename(lib), ", ".join(missing)))
    extra = sorted(actual - wanted)
    if extra:
        ok = False
        print("exported but listed in no family: %s" % ", ".join(extra))
    if windows:
        foreign = [n for n in pe_imports(lib) if n.lower() not in SYSTEM_DLLS]
        if foreign:
            ok = False
            print("imports DLLs that are not part of Windows: %s" % ", ".join(foreign))
    print("%s: %d exports checked against %d families: %s" % (
        os.path.basename(lib), len(actual), len(families), "OK" if ok else "MISMATCH"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
