#!/bin/sh
# The server database as scripts/server makes it: a cluster in a temporary folder (no
# password, a socket only), the pawnshop's role and database, and every table of the
# program made by kestrowd-file with the columns, types and indexes of the server's
# format; a table made again is replaced; an unreachable server is named in Russian.
# Usage: with_server.sh SOURCE_DIR sh server_schema_test.sh SOURCE_DIR (the line that
# scripts/server printed comes in KW_TEST_CONNINFO)
set -u
src="$1"
bin="$(pg_config --bindir 2>/dev/null)"
fail() { echo "FAIL: $*" >&2; exit 1; }

line="${KW_TEST_CONNINFO:-}"
host="${KW_TEST_SERVER_DIR:-}"
port="${KW_TEST_SERVER_PORT:-}"
[ "$line" = "host=$host port=$port dbname=kestrowd user=kestrowd" ] || fail "connection line: $line"
desk=$(mktemp -d) || exit 1
trap 'rm -rf "$desk"' EXIT
q() { "$bin/psql" -h "$host" -p "$port" -U kestrowd -d kestrowd -qAt -c "$1"; }

[ "$(q "SELECT count(*) FROM information_schema.tables WHERE table_schema = 'public'")" -ge 11 ] || fail "not every table was made"
# 67 fields of the pledge and the two columns of the server's own.
[ "$(q "SELECT count(*) FROM information_schema.columns WHERE table_name = 'zal'")" = 69 ] || fail "zal's columns"
[ "$(q "SELECT data_type FROM information_schema.columns WHERE table_name = 'zal' AND column_name = 'data'")" = date ] || fail "a date field is not a date"
[ "$(q "SELECT data_type || character_maximum_length FROM information_schema.columns WHERE table_name = 'zal' AND column_name = 'fio'")" = "character varying60" ] || fail "a text field"
[ "$(q "SELECT data_type FROM information_schema.columns WHERE table_name = 'zal' AND column_name = 's_vid'")" = "double precision" ] || fail "money"
[ "$(q "SELECT numeric_precision || ',' || numeric_scale FROM information_schema.columns WHERE table_name = 'kbp' AND column_name = 'kdz'")" = "5,0" ] || fail "the decimal of the settings"
q "SELECT indexdef FROM pg_indexes WHERE indexname = 'sec_parol_key'" | grep -q "UNIQUE INDEX sec_parol_key ON public.sec USING btree (upper((parol)::text)) WHERE (NOT" || fail "the password key: $(q "SELECT indexdef FROM pg_indexes WHERE indexname = 'sec_parol_key'")"
q "SELECT indexdef FROM pg_indexes WHERE indexname = 'zal_key_2'" | grep -q "(COALESCE(data, '1800-12-28'::date), n_kv, kw_row)" || fail "a key of duplicates keeps the order stored"
q "SELECT indexdef FROM pg_indexes WHERE indexname = 'zal_part_1'" | grep -q "(n_kv, kw_row) WHERE ((NOT (n_kv = 0)) AND (sost <= 3))" || fail "the open pledges' key: $(q "SELECT indexdef FROM pg_indexes WHERE indexname = 'zal_part_1'")"
# Nobody but the owner reads the users.
[ "$(q "SELECT count(*) FROM information_schema.role_table_grants WHERE table_name = 'sec' AND grantee = 'PUBLIC'")" = 0 ] || fail "the users are readable by all"

# A table made again is replaced, empty.
q "INSERT INTO zal (n_kv) VALUES (5)"
echo "$line" >"$desk/kestrowd.conninfo"
(cd "$desk" && "$src/build/kestrowd-file" create ZAL) || fail "create on the server"
[ "$(q "SELECT count(*) FROM zal")" = 0 ] || fail "create did not replace the table"

# A server that is not there is named, with what to do.
echo "host=127.0.0.1 port=1 dbname=kestrowd user=kestrowd connect_timeout=2" >"$desk/kestrowd.conninfo"
out=$(cd "$desk" && "$src/build/kestrowd-file" create ZAL 2>&1) && fail "an unreachable server was taken"
echo "$out" | grep -q "Сервер базы данных 127.0.0.1:1/kestrowd недоступен" || fail "the message: $out"
echo "ok: the schema on the server"
