#!/usr/bin/env bash
# Lines each named source preprocesses to, with its real compile command
# from build/compile_commands.json: what one change to an included header
# costs every file that includes it.
#   bash scripts/preprocessed-lines.sh ui/form1.cpp engine/fetch/lookahead_fetcher.cpp
set -euo pipefail
cd "$(dirname "$0")/.."
for source in "$@"; do
  python3 - "$PWD/$source" "$source" <<'PY'
import json, shlex, subprocess, sys
source = sys.argv[1]
for entry in json.load(open("build/compile_commands.json")):
    if entry["file"] == source:
        words = shlex.split(entry["command"])
        if "-o" in words:
            at = words.index("-o")
            del words[at:at + 2]
        words = [w for w in words if w not in ("-c",) and not w.startswith("-MF") and w not in ("-MD", "-MT")]
        out = subprocess.run(words + ["-E", "-P"], cwd=entry["directory"], capture_output=True, text=True, check=True)
        print(f"{out.stdout.count(chr(10)):>8} {sys.argv[2]}")
        break
else:
    sys.exit(f"{source}: not in build/compile_commands.json")
PY
done
