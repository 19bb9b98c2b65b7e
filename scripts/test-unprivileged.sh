#!/usr/bin/env bash
# Runs the tests that skip where file permissions do not bind (root reads
# and writes any file, so no list can be made unreadable nor a report
# unwritable) once more as root without the capabilities that override
# them, so that they run somewhere. Needs the tests built in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
filter='UnusableListFile.Unreadable:CheckCommandOutput.AFileTheUserMayNotWriteIsRefusedBeforeAnyRequest'
drop=()
if [ "$(id -u)" -eq 0 ]; then
  drop=(setpriv --inh-caps=-all --bounding-set=-dac_override,-dac_read_search,-fowner --)
fi
for binary in build/tests/robustness_tests build/tests/cli_tests; do
  out=$("${drop[@]}" "$binary" --gtest_filter="$filter" 2>&1) || { echo "$out"; exit 1; }
  # Run, not skipped: a skip here means the test still found permissions ignored.
  if grep -q '\[  SKIPPED \]' <<<"$out" || ! grep -q '\[  PASSED  \] 1 test' <<<"$out"; then
    echo "$out"
    echo "test-unprivileged: $binary did not run its test with file permissions binding" >&2
    exit 1
  fi
done
echo "test-unprivileged: 2 passed, 0 failed"
