#!/usr/bin/env bash
# A table stored by the mapping table's own code lands in the real registry
# as "Map count" and the 5-byte "Mappings" records.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

wine_run "$1" || fail "store_table.exe exited with $?"
key='HKLM\SOFTWARE\Ostravale\Tormelle'
reg_query "$key"
expect_eq "$(reg_value "$key" "Map count")" "0x5" "Map count"
expect_eq "$(reg_value "$key" "Mappings" | tr 'A-F' 'a-f')" \
  "9c000000009c010100009c02020000ffffffffff9e070c0002" "Mappings"
echo "mapping store under Wine: ok"
