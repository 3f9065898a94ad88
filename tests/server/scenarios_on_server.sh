#!/bin/sh
# Runs acceptance scenarios a second time with their data on the server named by
# KW_TEST_CONNINFO (with_server.sh starts one): each in a fresh data directory whose
# kestrowd.conninfo names the server, every table made empty on the server first.
# A scenario that wrote a data file instead of the server's table fails.
# Usage: scenarios_on_server.sh KESTROWD_FILE KESTROWD_SCENARIO SCENARIO...
set -u
kfile="$1"
scenario="$2"
shift 2
[ -n "${KW_TEST_CONNINFO:-}" ] || { echo "FAIL: no server (KW_TEST_CONNINFO)" >&2; exit 1; }
failed=0
for scn in "$@"; do
  dir=$(mktemp -d) || exit 1
  printf '%s\n' "$KW_TEST_CONNINFO" >"$dir/kestrowd.conninfo"
  if ! (cd "$dir" && "$kfile" create --all >/dev/null); then
    echo "FAIL: $scn: the tables could not be made on the server" >&2
    failed=1
  elif ! (cd "$dir" && "$scenario" "$scn"); then
    failed=1
  elif ls "$dir" | grep -qi '\.dat$'; then
    echo "FAIL: $scn: data files written beside kestrowd.conninfo: $(ls "$dir")" >&2
    failed=1
  fi
  rm -rf "$dir"
done
exit $failed
