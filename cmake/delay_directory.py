#!/usr/bin/env python3
"""delay_directory.py <program.exe>

GNU ld links the delay-import descriptors that dlltool makes but leaves the header's delay-import
directory empty, so tools that read PE directories do not see the delay-loaded DLLs. Finds the one run
of descriptors (attributes 1, a DLL name, no bound or unload table, no time stamp) that ends in the null
entry (cmake/delay_directory_end.s) and points the directory at it.
"""
import struct
import sys

DELAY_IMPORT = 13


def main():
    path = sys.argv[1]
    exe = bytearray(open(path, "rb").read())
    pe = struct.unpack_from("<I", exe, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H", exe, pe + 6)[0], struct.unpack_from("<H", exe, pe + 20)[0]
    opt = pe + 24
    directories = opt + (96 if struct.unpack_from("<H", exe, opt)[0] == 0x10B else 112)
    size_of_image = struct.unpack_from("<I", exe, opt + 56)[0]
    placed = [struct.unpack_from("<8sIIII", exe, opt + optional_size + 40 * i)[2:] for i in range(sections)]

    def offset(rva):
        for va, raw_size, raw in placed:
            if va <= rva < va + raw_size:
                return raw + rva - va
        return None

    def descriptor(at):
        attributes, name, module, iat, names, bound, unload, stamp = struct.unpack_from("<8I", exe, at)
        if attributes != 1 or bound or unload or stamp:
            return None
        if not all(0 < v < size_of_image for v in (name, module, iat, names)):
            return None
        text = offset(name)
        dll = exe[text:text + 64].split(b"\0", 1)[0] if text is not None else b""
        return dll.decode("ascii", "replace") if dll.lower().endswith(b".dll") else None

    runs = []
    for va, raw_size, raw in placed:
        at = raw
        while at + 64 <= raw + raw_size:
            dlls = []
            while at + 64 <= raw + raw_size and (dll := descriptor(at)):
                dlls.append(dll)
                at += 32
            if dlls and not any(exe[at:at + 32]):
                runs.append((va + (at - 32 * len(dlls)) - raw, dlls))
            at += 4 if not dlls else 0
    if len(runs) != 1:
        sys.exit(f"delay_directory.py: {path}: {len(runs)} runs of delay-import descriptors, not one")
    rva, dlls = runs[0]
    struct.pack_into("<II", exe, directories + 8 * DELAY_IMPORT, rva, 32 * (len(dlls) + 1))
    open(path, "wb").write(exe)
    print(f"delay-import directory of {path}: {', '.join(dlls)}")


if __name__ == "__main__":
    main()
