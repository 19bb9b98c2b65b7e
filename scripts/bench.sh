#!/usr/bin/env bash
# Builds an optimised tree in build-bench and runs the benchmarks: the
# scanner and verdict cache (Google Benchmark), then the end-to-end run
# against a local site at 0 and 20 ms latency (beside linkinator when it is
# installed: npm install -g linkinator), a crawl of a whole site and a
# folder of pages (bench/crawl.py), a folder of Markdown (bench/markdown.py),
# then the window beside the command under Xvfb, and its workbench.
set -euo pipefail
cd "$(dirname "$0")/.."
# The window benchmark reads the X server's cursor and the workbench's
# drives the window through the accessibility bus; the crawl benchmark
# compares LinkChecker and checks the Python docs as a folder.
bash scripts/setup.sh python3-xlib python3-pyatspi at-spi2-core dbus-daemon linkchecker python3.11-doc
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DPARDOVANE_BUILD_TESTS=OFF -DPARDOVANE_BUILD_BENCH=ON >/dev/null
cmake --build build-bench --parallel
build-bench/bench/pardovane_bench "$@"
python3 bench/e2e.py --binary build-bench/bin/pardovane-check --server build-bench/bench/fixture_server
python3 bench/crawl.py --binary build-bench/bin/pardovane-check --server build-bench/bench/fixture_server
python3 bench/markdown.py --binary build-bench/bin/pardovane-check
/usr/bin/python3 bench/window.py --window build-bench/bin/pardovane --binary build-bench/bin/pardovane-check \
  --server build-bench/bench/fixture_server
/usr/bin/python3 bench/workbench.py --window build-bench/bin/pardovane --binary build-bench/bin/pardovane-check
