#!/usr/bin/env bash
# The shell under Wine's service manager: install (-I D, -i), a second
# install, start and stop with the accepted controls, the stop-pending answer
# and the exit codes, and removal (-R).
# Arguments: the test service program, the status probe, the service name.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"

service_exe=$1
status_exe=$2
name=$3
services_key="HKLM\\SYSTEM\\CurrentControlSet\\Services\\$name"
settings_key="HKLM\\SOFTWARE\\Ostravale\\ShellTest\\$name"

cleanup() {
  "$WINE" sc stop "$name" >/dev/null 2>&1 || true
  "$WINE" sc delete "$name" >/dev/null 2>&1 || true
  "$WINE" reg delete "$settings_key" /f >/dev/null 2>&1 || true
}
trap cleanup EXIT
cleanup

status() { service_status "$status_exe" "$name"; }

# Polls the status until its state field is $1 (about 10 s at most).
wait_state() { wait_service_state "$status_exe" "$name" "$@"; }

set_setting() {
  "$WINE" reg add "$settings_key" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null
}

# Runs the service program with arguments; prints its output, then its
# exit code on a line of its own.
run_shell() { run_with_exit_code "$service_exe" "$@"; }

# -I D: demand-start, own-process, LocalSystem, the program's own path.
expect_eq "$(run_shell -I D)" $'Command completed (error 0)\n0' "-I D"
expect_eq "$(reg_value "$services_key" Type)" "0x10" "service type"
expect_eq "$(reg_value "$services_key" Start)" "0x3" "start type"
expect_eq "$(reg_value "$services_key" ErrorControl)" "0x1" "error control"
expect_eq "$(reg_value "$services_key" ObjectName)" "LocalSystem" "account"
expect_eq "$(reg_value "$services_key" ImagePath)" "$("$WINE" winepath -w "$service_exe" | tr -d '\r')" "image path"

# A second install fails with ERROR_SERVICE_EXISTS (exit code cut to 8 bits).
expect_eq "$(run_shell -I D)" $'Command completed (error 1073)\n'$((1073 & 255)) "second -I D"

# Start, then stop with a routine result of 0.
"$WINE" sc start "$name" >/dev/null
expect_eq "$(wait_state 4)" "STATE=4 CONTROLS=7 WIN32_EXIT=0 SPECIFIC=0 CHECKPOINT=0 WAIT_HINT=0" "running"
"$WINE" sc stop "$name" >/dev/null
expect_eq "$(wait_state 1)" "STATE=1 CONTROLS=4 WIN32_EXIT=0 SPECIFIC=0 CHECKPOINT=0 WAIT_HINT=0" "stopped, result 0"

# Start, then stop with a slow routine that returns 1234: the stop answer is
# stop-pending with the next checkpoint and a 5 s wait hint.
set_setting Result 1234
set_setting StopDelayMs 1500
"$WINE" sc start "$name" >/dev/null
wait_state 4 >/dev/null
stop_answer=$("$WINE" sc stop "$name" | tr -d '\r')
grep -q "STATE *: 3 *STOP_PENDING" <<<"$stop_answer" || fail "stop answer: $stop_answer"
grep -q "CHECKPOINT *: 0x1$" <<<"$stop_answer" || fail "stop checkpoint: $stop_answer"
grep -q "WAIT_HINT *: 0x1388$" <<<"$stop_answer" || fail "stop wait hint: $stop_answer"
expect_eq "$(status)" "STATE=3 CONTROLS=4 WIN32_EXIT=0 SPECIFIC=0 CHECKPOINT=1 WAIT_HINT=5000" "stop pending"
expect_eq "$(wait_state 1)" "STATE=1 CONTROLS=4 WIN32_EXIT=1066 SPECIFIC=1234 CHECKPOINT=0 WAIT_HINT=0" "stopped, result 1234"

# -R removes it; the manager then knows no such service.
expect_eq "$(run_shell -R)" $'\n0' "-R"
expect_eq "$(status || true)" "ERROR=1060" "query after -R"
if "$WINE" sc query "$name" >/dev/null 2>&1; then fail "sc query still finds $name"; fi

# -i installs for automatic start, silently.
expect_eq "$(run_shell -i)" $'\n0' "-i"
expect_eq "$(reg_value "$services_key" Start)" "0x2" "start type of -i"
expect_eq "$(run_shell -R)" $'\n0' "-R after -i"
echo "service shell under Wine: ok"
