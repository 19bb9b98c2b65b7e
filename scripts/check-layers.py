#!/usr/bin/env python3
"""Fails when an engine file includes a folder its own may not use.

Each folder of engine/ is a library that links only the ones below it;
an include that runs up (or sideways) would build only by luck of the
link order. ui/ and cli/ may include any engine folder; the engine never
includes them.
    python3 scripts/check-layers.py
"""
import pathlib
import re
import sys

# What each folder may include besides itself; version.h is generated for all.
ALLOWED = {
    "page": set(),
    "input": {"page"},
    "http": {"page"},
    "report": {"http", "input", "page"},
    "run": {"report", "http", "input", "page"},
    "fetch": {"run", "report", "http", "input", "page"},
    "settings": {"run", "http", "input", "page"},
    "setup": {"settings", "fetch", "report", "run", "http", "input", "page"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)

root = pathlib.Path(__file__).resolve().parent.parent
problems = []
for source in sorted((root / "engine").rglob("*")):
    if source.suffix not in (".h", ".cpp", ".inc"):
        continue
    relative = source.relative_to(root / "engine")
    if len(relative.parts) < 2:
        problems.append(f"engine/{relative}: outside every folder of the engine")
        continue
    folder = relative.parts[0]
    if folder not in ALLOWED:
        problems.append(f"engine/{relative}: folder '{folder}' has no place in the layers")
        continue
    for included in INCLUDE.findall(source.read_text(encoding="utf-8")):
        parts = included.split("/")
        if parts[0] != "engine":
            if parts[0] in ("cli", "ui", "tests"):
                problems.append(f"engine/{relative}: includes {included}, a front end's")
            continue
        if included == "engine/version.h" or (len(parts) > 2 and parts[1] == folder):
            continue
        if len(parts) < 3 or parts[1] not in ALLOWED[folder]:
            problems.append(f"engine/{relative}: includes {included}, above or beside '{folder}'")
for problem in problems:
    print(problem)
sys.exit(1 if problems else 0)
