#!/usr/bin/env bash
# fernway under Wine: installed with -I and started by the service manager,
# it unpacks the stand-in package in C:\velhome (a service starts in
# C:\windows under Wine, so ..\velhome is C:\velhome), clears the read-only
# attributes, starts setup.exe, deletes the package and removes its own
# service. Without the directory it logs the failure and writes 0x20000028.
# Arguments: fernway.exe, the stand-in package, the status probe.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"

fernway=$1
package=$2
status_exe=$3
drive_c="$WINEPREFIX/drive_c"
velhome="$drive_c/velhome"
status_key='HKLM\SOFTWARE\Ostravale\BrixholmRemoteAgentInstall'

cleanup() {
  "$WINE" sc stop fernway >/dev/null 2>&1 || true
  "$WINE" sc delete fernway >/dev/null 2>&1 || true
  "$WINE" reg delete "$status_key" /f >/dev/null 2>&1 || true
  rm -rf "$velhome" "$drive_c/fernway.log"
}
trap cleanup EXIT
cleanup

probe() { wine_run "$status_exe" fernway | tr -d '\r' || true; }

# Installs and starts fernway, then waits until its entry is gone.
run_fernway() {
  wine_run "$fernway" -I >/dev/null || fail "fernway -I exited with $?"
  "$WINE" sc start fernway >/dev/null || fail "sc start fernway failed"
  for _ in $(seq 1 100); do
    [ "$(probe)" = "ERROR=1060" ] && return 0
    sleep 0.2
  done
  fail "fernway did not remove itself (status: $(probe))"
}

# A full install.
mkdir -p "$velhome"
cp "$package" "$velhome/wrenpak.exe"
run_fernway
for _ in $(seq 1 50); do
  [ -f "$velhome/patch/setup-started.txt" ] && break
  sleep 0.2
done
[ -f "$velhome/patch/setup-started.txt" ] || fail "setup.exe was not started"
grep -qi 'velhome\\patch\\setup.exe' "$velhome/patch/setup-started.txt" ||
  fail "setup command line: $(cat "$velhome/patch/setup-started.txt")"
[ ! -e "$velhome/wrenpak.exe" ] || fail "wrenpak.exe was not deleted"
[ -f "$velhome/patch/drivers/cage.sys" ] || fail "the package was not unpacked"
attribs=$("$WINE" cmd /c attrib 'C:\velhome\*.*' /s | tr -d '\r')
echo "$attribs"
# The attribute letters stand before each path.
read_only=$(echo "$attribs" | awk '{ flags = $0; sub(/C:\\.*/, "", flags) } flags ~ /R/')
[ -z "$read_only" ] || fail "read-only files remain: $read_only"
expect_eq "$(reg_value "$status_key" Status)" "0x20000010" "status after the install"

# No install directory.
rm -rf "$velhome"
run_fernway
expect_eq "$(reg_value "$status_key" Status)" "0x20000028" "status without velhome"
grep -q 'Setting directory to velhome failed--' "$drive_c/fernway.log" ||
  fail "log: $(cat "$drive_c/fernway.log")"
echo "fernway under Wine: ok"
