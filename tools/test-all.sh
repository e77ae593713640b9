#!/usr/bin/env bash
# Every test: installs what is missing, builds the three presets and runs
# the native suite and the Wine suite.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh

for preset in native win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build "build/$preset" -j "$(nproc)"
done

ctest --test-dir build/native -j "$(nproc)" --output-on-failure
ctest --test-dir build/win64 -L wine --output-on-failure
