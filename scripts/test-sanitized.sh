#!/usr/bin/env bash
# Builds the engine, the command-line check and their tests with
# AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ and runs
# every test there; the first finding fails the run. The Qt window is left
# out: Qt under ASan is slow and reports leaks and errors of its own, so the
# window's tests run in the normal build only. The fuzz targets are built
# too (with the same sanitizers) and replay their committed seeds.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${ASAN_BUILD_DIR:-build-asan}
flags="-O1 -g -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DPARDOVANE_BUILD_UI=OFF -DPARDOVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" --parallel "${JOBS:-2}"
bash scripts/fuzz.sh 0
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
ctest --test-dir "$build_dir" --output-on-failure --timeout 300 -j2
