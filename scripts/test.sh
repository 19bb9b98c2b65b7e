#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: first the normal
# build, then the tests that root skips without root's file capabilities,
# then the engine and command-line tests again under ASan and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
python3 scripts/check-layers.py
# Warnings fail the build here; a developer build only shows them.
bash scripts/build.sh -DPARDOVANE_BUILD_TESTS=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
ctest --test-dir build --output-on-failure --timeout 300 -j2
bash scripts/test-unprivileged.sh
bash scripts/test-sanitized.sh
