#!/usr/bin/env python3
"""The file work of medium.cmake that CMake cannot do well.

  medium.py layout MEDIUM PLUGIN...  copies the plug-ins to MEDIUM/photoshopplugins;
                                     refuses none, and two that Windows takes for one
  medium.py zip MEDIUM ZIP           packs MEDIUM's files: the same files give the same bytes
  medium.py checksum EXE             fails when the PE header's checksum is wrong
"""
import os
import shutil
import struct
import sys
import time
import zipfile

# Zip entries' time when SOURCE_DATE_EPOCH is unset: 1980-01-01, the first a zip can hold.
DEFAULT_EPOCH = 315532800


def windows_key(name):
    # NTFS compares names through a one-to-one upper-case table: no "SS" for "ß".
    return "".join(c.upper() if len(c.upper()) == 1 else c for c in name)


def layout(medium, plugins):
    if not plugins:
        sys.exit("No plug-ins for the medium: set TANDREL_PLUGINS to the plug-in files. "
                 "Without them every customer gets \"The plugins to install is not found!\".")
    seen = {}
    for path in plugins:
        if not os.path.isfile(path):
            sys.exit(f"The plug-in {path} is not a file.")
        key = windows_key(os.path.basename(path))
        if key in seen:
            sys.exit(f"Two plug-ins would be one file on the medium (Windows ignores case):\n"
                     f"  {seen[key]}\n  {path}")
        seen[key] = path
    folder = os.path.join(medium, "photoshopplugins")
    os.makedirs(folder)
    for path in plugins:
        shutil.copyfile(path, os.path.join(folder, os.path.basename(path)))


def pack(medium, out):
    # Sorted names, one time, one mode, no owner: nothing of the machine or the hour.
    epoch = max(int(os.environ.get("SOURCE_DATE_EPOCH") or DEFAULT_EPOCH), DEFAULT_EPOCH)
    names = sorted(os.path.relpath(os.path.join(folder, f), medium).replace(os.sep, "/")
                   for folder, _, files in os.walk(medium) for f in files)
    with zipfile.ZipFile(out, "w") as z:
        for name in names:
            path = os.path.join(medium, name)
            entry = zipfile.ZipInfo(name, time.gmtime(epoch)[:6])
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.create_system = 3
            entry.external_attr = 0o100644 << 16
            entry.file_size = os.path.getsize(path)
            with open(path, "rb") as source, z.open(entry, "w") as target:
                shutil.copyfileobj(source, target, 1 << 20)


def checksum_ok(exe):
    data = bytearray(open(exe, "rb").read())
    at = struct.unpack_from("<I", data, 60)[0] + 88
    stored = struct.unpack_from("<I", data, at)[0]
    data[at:at + 4] = bytes(4)
    if len(data) % 2:
        data.append(0)
    total = sum(struct.unpack(f"<{len(data) // 2}H", data))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return total + os.path.getsize(exe) == stored


if __name__ == "__main__":
    command, args = sys.argv[1], sys.argv[2:]
    if command == "layout":
        layout(args[0], args[1:])
    elif command == "zip":
        pack(*args)
    elif command == "checksum":
        if not checksum_ok(args[0]):
            sys.exit(f"The PE checksum of {args[0]} is wrong.")
    else:
        sys.exit(__doc__)
