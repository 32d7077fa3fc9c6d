#!/usr/bin/env python3
"""Packs the skin: every member of ui/skin/package/ into one zip archive, the layout
documents deflated, the images stored (they are compressed already) except the large
banner, which is deflated. Member order and times are fixed, so the same files give
the same bytes.

usage: make_package.py <package folder> <output zip>
"""
import os
import sys
import zipfile

WHEN = (2026, 1, 1, 0, 0, 0)
DEFLATED = {"banner.png"}


def pack(folder, output):
    names = sorted(n for n in os.listdir(folder) if n.endswith((".xml", ".png")))
    if not names:
        raise SystemExit(f"no skin members in {folder}")
    tmp = output + ".tmp"
    with zipfile.ZipFile(tmp, "w") as archive:
        for name in names:
            with open(os.path.join(folder, name), "rb") as f:
                data = f.read()
            info = zipfile.ZipInfo(name, date_time=WHEN)
            info.external_attr = 0o644 << 16
            deflate = name.endswith(".xml") or name in DEFLATED
            info.compress_type = zipfile.ZIP_DEFLATED if deflate else zipfile.ZIP_STORED
            archive.writestr(info, data, compresslevel=9 if deflate else None)
    os.replace(tmp, output)
    return len(names)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    pack(sys.argv[1], sys.argv[2])
