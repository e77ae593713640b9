#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzz target on its seed corpus for a
# bounded time. Fails when a build fails or any target crashes, leaks, hangs
# or breaks one of its checks; the input that did it is kept as an artifact.
#
#   FUZZ_SECONDS     seconds of fuzzing per target (default 20)
#   FUZZ_JOBS        targets run at the same time (default 2)
#   FUZZ_BUILD_DIR   build tree (default build/fuzz, the preset's)
#   FUZZ_TARGETS     space-separated subset, e.g. "ipmi_transport fru_read"
#
# New inputs found go to a scratch directory; the committed corpus is only
# read. A crash becomes a regression test by adding its artifact to
# fuzz/corpus/<target>/ together with the fix: the CTest tests
# fuzz_<target>_corpus of the fuzz build replay every corpus file.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${FUZZ_SECONDS:-20}
jobs=${FUZZ_JOBS:-2}
build=${FUZZ_BUILD_DIR:-$root/build/fuzz}
targets=${FUZZ_TARGETS:-"ipmi_transport fru_read drive_watcher patch_ini adapter_discovery adapter_execute"}

if [[ -z ${FUZZ_BUILD_DIR:-} ]]; then
  cmake --preset fuzz -S "$root" >/dev/null
else
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 -DSW_FUZZ=ON >/dev/null
fi
cmake --build "$build" --target fuzz_targets

work=$(mktemp -d "${TMPDIR:-/tmp}/run-fuzz.XXXXXX")
artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"

run_one() {
  local target=$1
  local scratch="$work/$target"
  mkdir -p "$scratch"
  # -timeout: one input running this long (wall time) counts as a hang.
  if "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=60 \
      -artifact_prefix="$artifacts/$target-" -print_final_stats=1 \
      "$scratch" "$root/fuzz/corpus/$target" >"$work/$target.log" 2>&1; then
    echo "fuzz_$target: ok ($(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/$target.log" | grep -o '[0-9]*$') runs)"
  else
    echo "fuzz_$target: FAILED"
    grep -A40 -m1 'ERROR\|property broken\|Timeout\|out-of-memory' "$work/$target.log" || tail -40 "$work/$target.log"
    ls "$artifacts"/"$target"-* 2>/dev/null || true
    return 1
  fi
}

failed=0
pids=()
names=()
for target in $targets; do
  run_one "$target" &
  pids+=($!)
  names+=("$target")
  if (( ${#pids[@]} >= jobs )); then
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
    names=("${names[@]:1}")
  fi
done
for pid in "${pids[@]}"; do
  wait "$pid" || failed=1
done

rm -rf "$work"
if (( failed )); then
  echo "run-fuzz: a fuzz target failed; inputs in $artifacts"
  exit 1
fi
echo "run-fuzz: every target ran ${seconds}s without a failure"
