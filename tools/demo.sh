#!/usr/bin/env bash
# The main job: SlotWarden's debug-mode run ("slotwarden D") on the built-in
# simulated rack, in virtual time, then a picture of the rack with the
# mapping it stored beside the ground truth. Builds what is needed first.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake --preset native >/dev/null
cmake --build build/native -j "$(nproc)" --target slotwarden rackview >/dev/null

report=$(mktemp /tmp/slotwarden-report.XXXXXX.json)
trap 'rm -f "$report"' EXIT

# The rack's timeline ends the run as Ctrl+C would (exit code 130).
set +e
SLOTWARDEN_REPORT="$report" build/native/slotwarden/program/slotwarden D
rc=$?
set -e
if [ "$rc" -ne 0 ] && [ "$rc" -ne 130 ]; then
  echo "slotwarden ended with $rc" >&2
  exit "$rc"
fi
echo "^C (end of the rack's timeline)"

build/native/tools/rackview/rackview "$report"
