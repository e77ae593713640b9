#!/usr/bin/env bash
# The native suite under AddressSanitizer + UndefinedBehaviorSanitizer, and
# the two-thread parts under ThreadSanitizer: the shell's tests (service
# main on its own thread, control requests on the dispatcher's) and a whole
# slotwarden service run on the built-in rack that a stop request ends.
# Any report fails the script.
#
#   SW_ASAN_DIR, SW_TSAN_DIR   build trees (default build/asan, build/tsan)
#   SW_JOBS                    parallel jobs (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
asan_dir=${SW_ASAN_DIR:-$root/build/asan}
tsan_dir=${SW_TSAN_DIR:-$root/build/tsan}
jobs=${SW_JOBS:-2}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

echo "== asan: the whole native suite"
cmake --preset asan -B "$asan_dir" >/dev/null
cmake --build "$asan_dir" -j "$jobs"
ctest --test-dir "$asan_dir" -L native -j "$jobs" --output-on-failure

echo "== tsan: the shell's tests and a service run with a stop request"
cmake --preset tsan -B "$tsan_dir" >/dev/null
cmake --build "$tsan_dir" -j "$jobs" --target shell_tests slotwarden
"$tsan_dir/tests/shell/shell_tests"

# The built-in rack, with a stop request after its inserted drive has been
# added; the rack's end step (exit code 130) follows later, as a guard.
status=0
SIM_SERVICE_PROCESS=SlotWarden SIM_SERVICE_STOP_AT_MS=400000 "$tsan_dir/slotwarden/program/slotwarden" || status=$?
if [ "$status" -ne 0 ]; then
  echo "slotwarden service run ended with $status (0 expected after the stop request)" >&2
  exit 1
fi
echo "sanitizer runs clean"
