#!/usr/bin/env bash
# The main job: builds the native (simulated) tree if needed and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake --preset native >/dev/null
cmake --build build/native -j "$(nproc)" >/dev/null
build/native/tests/mapping/mapping_table_tests
