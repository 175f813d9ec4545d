#!/usr/bin/env bash
# The scripts as a user meets them: each answers --help; scripts/run ends
# tidelight through its Exit command, so what it keeps is saved; a second
# scripts/run on the same prefix refuses instead of sharing it.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

for script in setup build test run listing-server; do
  "$top/scripts/$script" --help 2>&1 | grep -qi usage || fail "scripts/$script --help gives no usage"
done

# Two free ports, so that runs side by side do not meet.
read -r demo listing < <(python3 -c 'import socket
s = [socket.socket() for _ in range(2)]
for x in s: x.bind(("127.0.0.1", 0))
print(*(x.getsockname()[1] for x in s))')
export WINEPREFIX="$work/prefix" TIDELIGHT_DEMO_PORT=$demo TIDELIGHT_LISTING_PORT=$listing
"$top/scripts/run" --seconds 20 >"$work/first.log" 2>&1 &
first=$!
for _ in $(seq 1 600); do
  grep -q "tidelight is running" "$work/first.log" && break
  kill -0 "$first" 2>/dev/null || { cat "$work/first.log" >&2; fail "scripts/run ended early"; }
  sleep 0.1
done
if "$top/scripts/run" --seconds 1 >"$work/second.log" 2>&1; then
  fail "a second scripts/run on the same prefix started"
fi
grep -q "already running" "$work/second.log" || { cat "$work/second.log" >&2; fail "no clear refusal"; }
wait "$first" || { cat "$work/first.log" >&2; fail "scripts/run failed"; }
# The settings are written back only by the program's own exit.
grep -q '"newsDisplayed"' "$WINEPREFIX/user.reg" || fail "tidelight was not ended through Exit: nothing saved"
echo "scripts answer --help; scripts/run ends through Exit and refuses a second run"
