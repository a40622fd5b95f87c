#!/usr/bin/env python3
"""Builds a zip archive for the extraction tests and benchmark.

Usage: make_zip.py ARCHIVE LIST

Each line of LIST is "<kind> <name in hex> <data in hex>", kind being file,
stored (a file kept uncompressed), exec (a file with mode 0755), link (a symbolic link to <data>) or folder.
Names are stored exactly as given: absolute, with "..", backslashes or drive
letters.
"""
import sys
import zipfile


def main():
    archive, listing = sys.argv[1:3]
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as out, open(listing) as entries:
        for line in entries:
            kind, name, data = (line.split() + [""])[:3]
            info = zipfile.ZipInfo(bytes.fromhex(name).decode("utf-8"))
            info.create_system = 3
            info.compress_type = zipfile.ZIP_STORED if kind == "stored" else zipfile.ZIP_DEFLATED
            modes = {"file": 0o100644, "stored": 0o100644, "exec": 0o100755, "link": 0o120777, "folder": 0o040755}
            info.external_attr = modes[kind] << 16
            if kind == "folder":
                info.external_attr |= 0x10
            out.writestr(info, bytes.fromhex(data))


if __name__ == "__main__":
    main()
