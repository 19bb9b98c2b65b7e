#!/usr/bin/env bash
# Builds the libFuzzer targets into build-fuzz/ and runs each for SECONDS.
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]
# Targets: link_scanner resolve_link list_file page_text css_srcset (default:
# all, one after another). The committed seeds in fuzz/corpus/<target>/ are
# copied to build-fuzz/corpus/<target>/, where the corpus grows, so the
# repository keeps only the small seed set. A crash leaves its input in build-fuzz/artifacts/.
# SECONDS 0 only replays the committed seeds, as a quick check that every
# target still builds and passes them.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(link_scanner resolve_link list_file page_text css_srcset)

build_dir=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPARDOVANE_BUILD_FUZZ=ON -DPARDOVANE_BUILD_UI=OFF -DPARDOVANE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build_dir" --parallel 2 --target $(printf '%s_fuzzer ' "${targets[@]}")

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
status=0
for target in "${targets[@]}"; do
  if [ "$seconds" = 0 ]; then
    if out=$("$build_dir/fuzz/${target}_fuzzer" fuzz/corpus/"$target"/* 2>&1); then
      echo "fuzz: $target passes its seeds"
    else
      echo "$out"
      status=1
    fi
    continue
  fi
  corpus="$build_dir/corpus/$target"
  artifacts="$build_dir/artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  cp -n fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
  dict=()
  [ -f "fuzz/$target.dict" ] && dict=(-dict="fuzz/$target.dict")
  echo "fuzz: $target for ${seconds}s"
  "$build_dir/fuzz/${target}_fuzzer" "$corpus" "${dict[@]}" -max_total_time="$seconds" \
    -max_len=16384 -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" || status=1
done
exit $status
