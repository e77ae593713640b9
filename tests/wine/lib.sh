# Sourced by every Wine test: the run's prefix and small helpers.
# shellcheck source=wine_env.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine_env.sh"
: "${SW_WINE_STATE:?run through ctest}"
WINEPREFIX=$(cat "$SW_WINE_STATE/prefix")
export WINEPREFIX

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Runs a Windows program; its exit code is Wine's, cut to 8 bits.
wine_run() { "$WINE" "$@"; }

# Prints `reg query` output with carriage returns removed.
reg_query() { "$WINE" reg query "$@" 2>/dev/null | tr -d '\r'; }

# The value data of one registry value ("0x5", "hello", "9c00...").
reg_value() {
  reg_query "$1" /v "$2" | awk -v n="$2" '
    { line = $0; sub(/^ +/, "", line) }
    index(line, n " ") == 1 {
      rest = substr(line, length(n) + 1); sub(/^ +/, "", rest)
      split(rest, parts, / +/); type = parts[1]
      data = substr(rest, length(type) + 1); sub(/^ +/, "", data)
      print data; found = 1
    }
    END { exit found ? 0 : 1 }'
}

expect_eq() {
  [ "$1" == "$2" ] || fail "$3: expected '$2', got '$1'"
}

# Runs a Windows program; prints its output, then its exit code on a line
# of its own.
run_with_exit_code() {
  local out rc=0
  out=$(wine_run "$@" | tr -d '\r') || rc=$?
  printf '%s\n%s\n' "$out" "$rc"
}

# The whole status of service $2 as the status probe $1 prints it
# ("STATE=.. CONTROLS=.. ..." or "ERROR=<code>").
service_status() { wine_run "$1" "$2" | tr -d '\r'; }

# Waits until service $2 reports state $3, asking the probe $1 at most $4
# times 0.1 s apart (default 100); prints the status line that matched.
wait_service_state() {
  local line="" tries=${4:-100}
  for _ in $(seq 1 "$tries"); do
    line=$(service_status "$1" "$2" || true)
    case "$line" in "STATE=$3 "*) echo "$line"; return 0 ;; esac
    sleep 0.1
  done
  fail "$2 did not reach state $3 within $((tries / 10)) s (last: $line)"
}

# Waits, about 10 s at most, until the manager no longer knows service $2
# (probe $1 answers ERROR=1060); a service marked for deletion still blocks
# a new one of the same name.
wait_service_gone() {
  for _ in $(seq 1 100); do
    [ "$(service_status "$1" "$2" || true)" = "ERROR=1060" ] && return 0
    sleep 0.1
  done
  return 1
}
