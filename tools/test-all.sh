#!/usr/bin/env bash
# Every test: installs what is missing, builds the three presets, runs the
# native suite and the Wine suite, then the hardening runs: the native suite
# under the address and undefined-behaviour sanitizers, the two-thread
# tests under the thread sanitizer, every fuzz target, and a short soak.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
bash tools/install-deps.sh

for preset in native win32 win64; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build "build/$preset" -j "$jobs"
done

echo "== native suite"
ctest --test-dir build/native -j "$jobs" --output-on-failure

echo "== Wine suite"
ctest --test-dir build/win64 -L wine --output-on-failure

echo "== sanitizers"
bash tools/run-sanitizers.sh

echo "== fuzzing"
FUZZ_SECONDS=${FUZZ_SECONDS:-30} bash tools/run-fuzz.sh

echo "== soak (1000 virtual checks)"
build/native/bench/bench_mapping_soak --checks=1000
