#!/usr/bin/env bash
# Installs, with apt-get, whatever of tools/packages.txt is missing. The
# package lists are refreshed first when they are absent or a day old.
set -euo pipefail
cd "$(dirname "$0")/.."

missing=()
while read -r pkg; do
  case "$pkg" in ''|'#'*) continue ;; esac
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done < tools/packages.txt

[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
lists=/var/lib/apt/lists
if [ -z "$(find "$lists" -maxdepth 1 -name '*Packages*' -mtime -1 2>/dev/null | head -n 1)" ]; then
  $SUDO apt-get update -qq
fi
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
