#!/bin/sh
# A desk whose kestrowd.conninfo names a server that does not answer, or one without
# the program's tables, is told so in Russian with the server named, and the program
# ends (exit 2) without writing anything; with the tables there it runs.
# Run by with_server.sh (KW_TEST_CONNINFO).
# Usage: server_start_test.sh KESTROWD_FILE KESTROWD_SCENARIO SCENARIO
set -u
kfile="$1"
scenario="$2"
scn="$3"
fail() { echo "FAIL: $*" >&2; exit 1; }
dir=$(mktemp -d) || exit 1
trap 'rm -rf "$dir"' EXIT
cd "$dir"

# Nothing listens on port 1.
echo "host=127.0.0.1 port=1 dbname=kestrowd user=kestrowd connect_timeout=3" >kestrowd.conninfo
out=$("$scenario" "$scn" 2>&1); rc=$?
[ $rc -eq 2 ] || fail "unreachable server: exit $rc, not 2: $out"
echo "$out" | grep -q "Сервер базы данных 127.0.0.1:1/kestrowd недоступен" || fail "unreachable server not named: $out"
ls | grep -qiv conninfo && fail "files written: $(ls)"

# The server of the test without the pledges' table.
printf '%s\n' "$KW_TEST_CONNINFO" >kestrowd.conninfo
psql -q "$KW_TEST_CONNINFO" -c 'DROP TABLE zal' || fail "psql"
out=$("$scenario" "$scn" 2>&1); rc=$?
[ $rc -eq 2 ] || fail "missing table: exit $rc, not 2: $out"
echo "$out" | grep -q "нет таблиц программы (zal)" || fail "missing table not named: $out"
echo "$out" | grep -q "kestrowd-file create --all" || fail "what to do not said: $out"

# The tables made again, the same desk runs.
"$kfile" create --all || fail "kestrowd-file create --all"
out=$("$scenario" "$scn" 2>&1) || fail "with the tables there: $out"
exit 0
