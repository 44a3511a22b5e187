#!/usr/bin/env python3
"""Release tier of scripts/test.sh, the part that needs no Windows: what a release zip holds.

    release_check.py <zip> <version> <unpack-dir> [<path that must not appear in the program>...]

The zip holds exactly Ocellus.exe, README.txt and LICENSE; the texts have Windows line ends only and
README.txt names the version, the settings key and the command that removes it; the program is a
PE of the zip's kind (-win32.zip: 32-bit, -win64.zip: 64-bit) whose header and resource directory
carry no time stamp, with no symbol table, no debug directory and none of the given paths (the source
and build folders), that imports kernel32 and the C runtime only (every other DLL is delay-loaded, after
the program has kept DLLs beside it out of the search), whose header's delay-import directory lists
those DLLs, and that is terminal-server aware. Unpacks the zip into
<unpack-dir> for the run under Wine. Prints what it checked; exits 1 on the first failure.
"""
import pathlib
import struct
import sys
import zipfile


def fail(text):
    print(f"release check: FAILED: {text}")
    sys.exit(1)


def check_texts(files, version):
    for name in ("README.txt", "LICENSE"):
        data = files[name]
        if data.count(b"\n") == 0 or data.count(b"\n") != data.count(b"\r\n"):
            fail(f"{name} does not have Windows line ends (CRLF) only")
    readme = files["README.txt"].decode("ascii")
    for needed in (f"Version {version}", r"HKEY_CURRENT_USER\SOFTWARE\Tarnwick\Ocellus",
                   r'reg delete "HKCU\SOFTWARE\Tarnwick\Ocellus" /f', "Ctrl+C", "Mouse wheel", "125 %"):
        if needed not in readme:
            fail(f"README.txt does not say {needed!r}")
    if "@VERSION@" in readme:
        fail("README.txt still has @VERSION@")
    if "MIT License" not in files["LICENSE"].decode("ascii"):
        fail("LICENSE is not the MIT licence")
    print("release check: README.txt and LICENSE: CRLF, version, settings key, removal command")


def check_program(exe, bits, forbidden):
    pe = struct.unpack_from("<I", exe, 0x3C)[0]
    if exe[pe:pe + 4] != b"PE\0\0":
        fail("Ocellus.exe is not a PE file")
    machine, sections, stamp, symbols, symbol_count, optional_size = struct.unpack_from("<HHIIIH", exe, pe + 4)
    opt = pe + 24
    magic = struct.unpack_from("<H", exe, opt)[0]
    if (machine, magic) != {32: (0x14C, 0x10B), 64: (0x8664, 0x20B)}[bits]:
        fail(f"Ocellus.exe is not a {bits}-bit program (machine {machine:#x}, optional header {magic:#x})")
    if stamp != 0:
        fail(f"the PE header has a time stamp ({stamp})")
    if symbols or symbol_count:
        fail("Ocellus.exe is not stripped (it has a symbol table)")
    directories = opt + (96 if bits == 32 else 112)  # 16 data directories of (address, size)
    resource_rva, _ = struct.unpack_from("<II", exe, directories + 2 * 8)
    _, debug_size = struct.unpack_from("<II", exe, directories + 6 * 8)
    if debug_size:
        fail("Ocellus.exe has a debug directory")
    table = opt + optional_size
    placed = [struct.unpack_from("<8sIIII", exe, table + 40 * i)[2:] for i in range(sections)]  # (va, size, offset)
    check_imports(exe, placed, struct.unpack_from("<I", exe, directories + 8)[0])
    check_delay_imports(exe, placed, struct.unpack_from("<II", exe, directories + 13 * 8), bits)
    if not struct.unpack_from("<H", exe, opt + 70)[0] & 0x8000:
        fail("Ocellus.exe is not terminal-server aware")
    for va, raw_size, raw in placed:
        if va <= resource_rva < va + raw_size:
            resource_stamp = struct.unpack_from("<I", exe, raw + resource_rva - va + 4)[0]
            if resource_stamp != 0:
                fail(f"the resource directory has a time stamp ({resource_stamp})")
            break
    else:
        fail("Ocellus.exe has no resources")
    for path in forbidden:
        for encoded in (path.encode(), path.encode("utf-16-le")):
            if encoded in exe:
                fail(f"Ocellus.exe holds the build path {path}")
    print(f"release check: Ocellus.exe: {bits}-bit, no time stamps, stripped, no build paths")


DIRECT_IMPORTS = {"kernel32.dll", "msvcrt.dll"}
# Those the program loads when first called, from the system folder.
DELAY_LOADED = {"gdiplus.dll", "comctl32.dll", "uxtheme.dll", "shell32.dll", "advapi32.dll", "gdi32.dll",
                "user32.dll", "ole32.dll"}


def section_offset(sections, rva):
    for va, raw_size, raw in sections:
        if va <= rva < va + raw_size:
            return raw + rva - va
    fail(f"import table address {rva:#x} lies in no section")


def check_imports(exe, sections, import_rva):
    def offset(rva):
        return section_offset(sections, rva)

    names = []
    descriptor = offset(import_rva)
    while True:
        lookup, _, _, name_rva, thunks = struct.unpack_from("<IIIII", exe, descriptor)
        if not (lookup or name_rva or thunks):
            break
        name = exe[offset(name_rva):].split(b"\0", 1)[0].decode("ascii")
        names.append(name)
        descriptor += 20
    if {n.lower() for n in names} != DIRECT_IMPORTS:
        fail(f"Ocellus.exe imports {', '.join(names)} directly; only {', '.join(sorted(DIRECT_IMPORTS))} may be")
    print(f"release check: Ocellus.exe imports {', '.join(names)} directly, nothing else")


def check_delay_imports(exe, sections, directory, bits):
    rva, size = directory
    if not rva or not size:
        fail("the header's delay-import directory is empty")
    names = []
    at = section_offset(sections, rva)
    while name_rva := struct.unpack_from("<8I", exe, at)[1]:
        names.append(exe[section_offset(sections, name_rva):].split(b"\0", 1)[0].decode("ascii").lower())
        at += 32
    if size != 32 * (len(names) + 1) or not DELAY_LOADED <= set(names) or DIRECT_IMPORTS & set(names):
        fail(f"the delay-import directory ({size} bytes) lists {', '.join(names)}")
    print(f"release check: Ocellus.exe delay-loads {', '.join(names)}; terminal-server aware")


def main():
    zip_path, version, unpack, *forbidden = sys.argv[1:]
    bits = 64 if zip_path.endswith("-win64.zip") else 32
    with zipfile.ZipFile(zip_path) as z:
        names = z.namelist()
        if names != ["Ocellus.exe", "README.txt", "LICENSE"]:
            fail(f"the zip holds {names}")
        files = {name: z.read(name) for name in names}
        z.extractall(unpack)
    print(f"release check: {pathlib.Path(zip_path).name}: {', '.join(names)}")
    check_texts(files, version)
    check_program(files["Ocellus.exe"], bits, [p.rstrip("/") for p in forbidden])


if __name__ == "__main__":
    main()
