#!/usr/bin/env bash
# SlotWarden under Wine's service manager on a rig with no management
# controller and no events (stand-in QBXAPI.dll and logquay.dll): with one
# SCSI port it installs (-I D), starts, stores an empty table, stops within
# the wait hint and is removed (-R); with no SCSI port at all it stops with
# the service-specific code 9993.
# Arguments: slotwarden.exe, the stand-in QBXAPI.dll and logquay.dll, the
# device-map editor, the status probe.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"

slotwarden_exe=$1
qbxapi_dll=$2
logquay_dll=$3
device_map_exe=$4
status_exe=$5
name=SlotWarden
store_key='HKLM\SOFTWARE\Ostravale\Tormelle'
device_map_key='HKLM\HARDWARE\DEVICEMAP\Scsi'

# The program and its stand-in libraries in one directory of the prefix:
# the loader looks for a program's DLLs in its own directory first, and a
# service starts in C:\windows.
rig_dir="$WINEPREFIX/drive_c/slotwarden-rig"
rig_exe='C:\slotwarden-rig\slotwarden.exe'

device_map() { wine_run "$device_map_exe" "$@" | tr -d '\r'; }

cleanup() {
  "$WINE" sc stop "$name" >/dev/null 2>&1 || true
  "$WINE" sc delete "$name" >/dev/null 2>&1 || true
  wait_service_gone "$status_exe" "$name" || echo "warning: $name still installed" >&2
  "$WINE" reg delete "$store_key" /f >/dev/null 2>&1 || true
  device_map restore || true
  rm -rf "$rig_dir"
}

# Keep the prefix's own device map aside; a failed save must not be
# followed by a restore that would lose it.
"$WINE" sc delete "$name" >/dev/null 2>&1 || true
device_map save || fail "cannot save the device map"
trap cleanup EXIT

mkdir -p "$rig_dir"
cp "$slotwarden_exe" "$qbxapi_dll" "$logquay_dll" "$rig_dir/"
"$WINE" reg delete "$store_key" /f >/dev/null 2>&1 || true

status() { service_status "$status_exe" "$name"; }

# Polls the status until its state field is $1, for at most $2 tenths of a
# second; prints the status line.
wait_state() { wait_service_state "$status_exe" "$name" "$@"; }

# Runs slotwarden.exe with arguments; prints its output, then its exit code
# on a line of its own.
run_slotwarden() { run_with_exit_code "$rig_exe" "$@"; }

# HKLM\HARDWARE is volatile: `reg add` cannot create a port there (a
# volatile key takes only volatile subkeys), so the editor creates it.
"$WINE" reg delete "$device_map_key" /f >/dev/null 2>&1 || true
device_map add 0 aic78xx 1 || fail "cannot add SCSI port 0"
port=$(reg_query "$device_map_key" /s)
grep -q 'Scsi Port 0\\Scsi Bus 0$' <<<"$port" || fail "device map: $port"
expect_eq "$(reg_value "$device_map_key\\Scsi Port 0" Driver)" "aic78xx" "port driver"

expect_eq "$(run_slotwarden -I D)" $'Command completed (error 0)\n0' "-I D"

# Running: no cage answers and the one adapter finds no drive, so the first
# pass stores an empty table.
"$WINE" sc start "$name" >/dev/null
expect_eq "$(wait_state 4 100)" "STATE=4 CONTROLS=7 WIN32_EXIT=0 SPECIFIC=0 CHECKPOINT=0 WAIT_HINT=0" "running"
for _ in $(seq 1 100); do
  reg_value "$store_key" "Map count" >/dev/null && break
  sleep 0.1
done
reg_query "$store_key"
expect_eq "$(reg_value "$store_key" "Map count")" "0x0" "Map count"
reg_query "$store_key" /v Mappings | grep -q '^ *Mappings *REG_BINARY *$' \
  || fail "Mappings is not an empty binary value: $(reg_query "$store_key" /v Mappings)"

# The stop ends the wait at once: one last check (no events) and STOPPED
# with result 0, well within the 5 s wait hint.
"$WINE" sc stop "$name" >/dev/null
expect_eq "$(wait_state 1 50)" "STATE=1 CONTROLS=4 WIN32_EXIT=0 SPECIFIC=0 CHECKPOINT=0 WAIT_HINT=0" "stopped"

expect_eq "$(run_slotwarden -R)" $'\n0' "-R"
expect_eq "$(status || true)" "ERROR=1060" "query after -R"
if "$WINE" sc query "$name" >/dev/null 2>&1; then fail "sc query still finds $name"; fi

# No SCSI port at all: the run ends with 9993 before any mapping.
"$WINE" reg delete "$device_map_key" /f >/dev/null
expect_eq "$(run_slotwarden -I D)" $'Command completed (error 0)\n0' "-I D without ports"
"$WINE" reg delete "$store_key" /f >/dev/null 2>&1 || true
"$WINE" sc start "$name" >/dev/null 2>&1 || true
expect_eq "$(wait_state 1 100)" "STATE=1 CONTROLS=4 WIN32_EXIT=1066 SPECIFIC=9993 CHECKPOINT=0 WAIT_HINT=0" "stopped without ports"
if reg_query "$store_key" >/dev/null; then fail "a store was written without ports"; fi
expect_eq "$(run_slotwarden -R)" $'\n0' "-R without ports"
echo "slotwarden under Wine: ok"
