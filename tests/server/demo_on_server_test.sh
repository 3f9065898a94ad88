#!/bin/sh
# The demo pawnshop made twice from the same CSV files and the same today: once in flat
# data files, once on the server named by KW_TEST_CONNINFO (with_server.sh starts one).
# Every table's dump must be the same on both: the same records in the same order.
# Usage: demo_on_server_test.sh SOURCE_DIR KESTROWD_FILE KESTROWD_DEMO TODAY
set -u
src="$1"
kfile="$2"
demo="$3"
today="$4"
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -n "${KW_TEST_CONNINFO:-}" ] || fail "no server (KW_TEST_CONNINFO)"
top=$(mktemp -d) || exit 1
trap 'rm -rf "$top"' EXIT
mkdir "$top/server" "$top/flat"
printf '%s\n' "$KW_TEST_CONNINFO" >"$top/server/kestrowd.conninfo"
(cd "$top/server" && "$kfile" create --all >/dev/null) || fail "the tables could not be made on the server"
for dir in "$top/server" "$top/flat"; do
  for csv in "$src"/demo-data/*.csv; do
    t=$(basename "$csv" .csv)
    owner=""
    [ "$t" = SEC ] && owner="--owner QORVAL"
    if [ "$dir" = "$top/flat" ]; then (cd "$dir" && "$kfile" create "$t" >/dev/null) || fail "create $t"; fi
    (cd "$dir" && "$kfile" load "$t.DAT" $owner <"$csv" >/dev/null) || fail "load $t into $dir"
  done
  "$demo" "$dir" --today "$today" >/dev/null || fail "kestrowd-demo in $dir"
done
ls "$top/server" | grep -qi '\.dat$' && fail "data files written beside kestrowd.conninfo"
n=0
for dat in "$top"/flat/*.DAT; do
  t=$(basename "$dat" .DAT)
  n=$((n + 1))
  owner=""
  [ "$t" = SEC ] && owner="--owner QORVAL"
  (cd "$top/flat" && "$kfile" dump "$t.DAT" $owner) >"$top/$t.flat" || fail "dump $t (flat)"
  (cd "$top/server" && "$kfile" dump "$t.DAT" $owner) >"$top/$t.server" || fail "dump $t (server)"
  cmp -s "$top/$t.flat" "$top/$t.server" || fail "$t differs: $(diff "$top/$t.flat" "$top/$t.server" | head -5)"
done
[ $n -ge 11 ] || fail "only $n tables in the flat demo"
exit 0
