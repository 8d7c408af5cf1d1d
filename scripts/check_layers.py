#!/usr/bin/env python3
"""Fails when a source file includes from a folder its own folder may not stand on.

Each folder is one library; the table says which folders each may include from (besides
itself). The pages know nothing of each other; only app/ knows both.
"""
import pathlib
import re
import sys

ALLOWED = {
    "imaging/decode": set(),
    "common": set(),
    "concurrency": set(),
    "imaging": {"imaging/decode", "common", "concurrency"},
    "ui": {"common", "concurrency"},
    "verify": {"ui", "imaging", "imaging/decode", "common", "concurrency"},
    "crop": {"ui", "imaging", "imaging/decode", "common", "concurrency"},
    "app": {"verify", "crop", "ui", "imaging", "imaging/decode", "common", "concurrency"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def folder_of(relative):
    for folder in sorted(ALLOWED, key=len, reverse=True):
        if relative == folder or relative.startswith(folder + "/"):
            return folder
    return None


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    faults = []
    for folder in ALLOWED:
        for path in sorted((root / folder).glob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = folder_of(str(pathlib.PurePosixPath(match.group(1)).parent))
                if target is None or target == folder:
                    continue
                if target not in ALLOWED[folder]:
                    faults.append(f"{path.relative_to(root)}:{number}: {folder}/ includes {match.group(1)}")
    for fault in faults:
        print(fault)
    print(f"check_layers: {len(faults)} include(s) against the layering")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
