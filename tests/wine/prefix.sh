#!/usr/bin/env bash
# Makes (setup) or removes (cleanup) the throw-away Wine prefix of one test
# run. Its path is kept in $SW_WINE_STATE/prefix for the tests.
set -euo pipefail
: "${SW_WINE_STATE:?}"
source "$(dirname "$0")/wine_env.sh"

case "${1:-}" in
  setup)
    mkdir -p "$SW_WINE_STATE"
    if [ -f "$SW_WINE_STATE/prefix" ]; then
      old=$(cat "$SW_WINE_STATE/prefix")
      WINEPREFIX="$old" "$WINESERVER" -k 2>/dev/null || true
      rm -rf "$old"
    fi
    export WINEPREFIX
    WINEPREFIX=$(mktemp -d /tmp/sw-wineprefix.XXXXXX)
    echo "$WINEPREFIX" > "$SW_WINE_STATE/prefix"
    "$WINE" wineboot -i >/dev/null 2>&1
    # The first-boot server must end before the persistent one starts, or
    # the service database can be lost between two commands.
    "$WINESERVER" -w
    setsid "$WINESERVER" -p </dev/null >/dev/null 2>&1 &
    # Wait until the persistent server answers.
    for _ in $(seq 1 50); do
      if "$WINE" cmd /c exit 0 >/dev/null 2>&1; then break; fi
      sleep 0.2
    done
    echo "wine prefix ready: $WINEPREFIX"
    ;;
  cleanup)
    if [ -f "$SW_WINE_STATE/prefix" ]; then
      WINEPREFIX=$(cat "$SW_WINE_STATE/prefix")
      WINEPREFIX="$WINEPREFIX" "$WINESERVER" -k 2>/dev/null || true
      rm -rf "$WINEPREFIX" "$SW_WINE_STATE/prefix"
    fi
    ;;
  *)
    echo "usage: prefix.sh setup|cleanup" >&2
    exit 2
    ;;
esac
