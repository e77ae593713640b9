#!/usr/bin/env bash
# tidemend under Wine: Version 4.10 and SpuNum A3 in the registry, velhome
# with the old agent files and the patch, a test service as "SNMP" and as
# "slotwarden" (running from velhome\slotwarden.exe). A first run patches,
# a second changes nothing, a run with a patch file missing fails and
# restarts what it stopped.
# Arguments: tidemend.exe, the SNMP and slotwarden test services, the
# status probe.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"

tidemend=$1
snmp_exe=$2
slotwarden_exe=$3
status_exe=$4
drive_c="$WINEPREFIX/drive_c"
windows="$drive_c/windows"
velhome="$windows/velhome"
system32="$windows/system32"
agent_key='HKLM\SOFTWARE\Ostravale\Kelvador'
status_key='HKLM\SOFTWARE\Ostravale\BrixholmRemoteAgentInstall'
made_temp=no

cleanup() {
  for name in SNMP slotwarden; do
    "$WINE" sc stop "$name" >/dev/null 2>&1 || true
    "$WINE" sc delete "$name" >/dev/null 2>&1 || true
  done
  "$WINE" reg delete "$agent_key" /f >/dev/null 2>&1 || true
  "$WINE" reg delete "$status_key" /f >/dev/null 2>&1 || true
  rm -rf "$velhome"
  rm -f "$system32"/{vintas,garrow,tivel,plenth}.dll{,.old}
  rm -f "$drive_c/temp/tidemend.log"
  if [ "$made_temp" = yes ]; then rm -rf "$drive_c/temp"; fi
}
trap cleanup EXIT
cleanup

state() { wine_run "$status_exe" "$1" | tr -d '\r' | sed -n 's/^STATE=\([0-9]*\).*/\1/p'; }

wait_running() {
  for _ in $(seq 1 50); do
    [ "$(state "$1")" = 4 ] && return 0
    sleep 0.2
  done
  fail "$1 does not run"
}

# The installed agents and the patch.
[ -d "$drive_c/temp" ] || { mkdir "$drive_c/temp"; made_temp=yes; }
mkdir -p "$velhome/patch"
for f in dalvren.dll morsket.dll; do
  echo "old $f" > "$velhome/$f"
  echo "new $f" > "$velhome/patch/$f"
done
for f in vintas.dll garrow.dll tivel.dll; do echo "new $f" > "$velhome/patch/$f"; done
cp "$slotwarden_exe" "$velhome/slotwarden.exe"
cp "$slotwarden_exe" "$velhome/patch/slotwarden.exe"
echo "patched build" >> "$velhome/patch/slotwarden.exe"
printf '[General]\r\nName=agents patch\r\n[Valid Agents Versions]\r\n4.10, 4.12\r\n' \
  > "$velhome/patch/patch.ini"
"$WINE" reg add "$agent_key" /v Version /t REG_SZ /d 4.10 /f >/dev/null
"$WINE" reg add "$agent_key" /v SpuNum /t REG_SZ /d A3 /f >/dev/null

wine_run "$snmp_exe" -I >/dev/null || fail "installing SNMP exited with $?"
wine_run 'C:\windows\velhome\slotwarden.exe' -I >/dev/null || fail "installing slotwarden exited with $?"
"$WINE" sc start SNMP >/dev/null
"$WINE" sc start slotwarden >/dev/null
wait_running SNMP
wait_running slotwarden

# First run: the patch applies.
wine_run "$tidemend" || fail "tidemend exited with $?"
expect_eq "$(reg_value "$status_key" Status)" "0x2000001e" "status after the patch"
expect_eq "$(reg_value "$agent_key" Version)" "4.10a" "Version after the patch"
for f in dalvren.dll morsket.dll; do
  expect_eq "$(cat "$velhome/$f")" "new $f" "$f"
done
cmp -s "$velhome/slotwarden.exe" "$velhome/patch/slotwarden.exe" || fail "slotwarden.exe not replaced"
cmp -s "$system32/vintas.dll" "$velhome/patch/vintas.dll" || fail "vintas.dll not installed"
cmp -s "$system32/plenth.dll" "$velhome/patch/vintas.dll" || fail "plenth.dll is not vintas.dll"
old=$(find "$velhome" "$system32" -maxdepth 1 -iname '*.old')
[ -z "$old" ] || fail "backups left: $old"
expect_eq "$(state SNMP)" 4 "SNMP after the patch"
expect_eq "$(state slotwarden)" 4 "slotwarden after the patch"

# Second run: nothing to do, nothing touched.
touch -d '1 minute ago' "$velhome/.before"
sleep 1
wine_run "$tidemend" || fail "second tidemend exited with $?"
expect_eq "$(reg_value "$status_key" Status)" "0x2000001e" "status of the second run"
expect_eq "$(reg_value "$agent_key" Version)" "4.10a" "Version after the second run"
touch "$velhome/.before"
sleep 1
wine_run "$tidemend"
changed=$(find "$velhome" "$system32/vintas.dll" "$system32/plenth.dll" -newer "$velhome/.before")
[ -z "$changed" ] || fail "a second run changed: $changed"
rm -f "$velhome/.before"

# A patch file missing: the copy of morsket.dll fails.
"$WINE" reg add "$agent_key" /v Version /t REG_SZ /d 4.10 /f >/dev/null
rm "$velhome/patch/morsket.dll"
wine_run "$tidemend" || fail "failing tidemend exited with $?"
expect_eq "$(reg_value "$status_key" Status)" "0x20000028" "status of the failed copy"
[ -f "$velhome/morsket.dll.old" ] || fail "morsket.dll.old missing"
[ ! -e "$velhome/morsket.dll" ] || fail "morsket.dll should be gone"
grep -q 'Failed to copy C:\\windows\\velhome\\patch\\morsket.dll file to C:\\windows\\velhome\\morsket.dll file.' \
  "$drive_c/temp/tidemend.log" || fail "log: $(cat "$drive_c/temp/tidemend.log")"
expect_eq "$(state SNMP)" 4 "SNMP after the failed copy"
expect_eq "$(state slotwarden)" 4 "slotwarden after the failed copy"
echo "tidemend under Wine: ok"
