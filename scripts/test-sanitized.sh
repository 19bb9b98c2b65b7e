#!/usr/bin/env bash
# Builds the engine, the command-line check and their tests with
# AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ and runs
# every test there; the first finding fails the run. The Qt window is left
# out: Qt under ASan is slow and reports leaks and errors of its own, so the
# window's tests run in the normal build only. The fuzz targets are built
# too (with the same sanitizers) and replay their committed seeds.
set -euo pipefail
cd "$(dirname "$0")/.."
# The flags and the options are the "sanitizers" preset's (CMakePresets.json).
cmake --preset sanitizers -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build --preset sanitizers --parallel "${JOBS:-2}"
bash scripts/fuzz.sh 0
ctest --preset sanitizers
