#!/bin/sh
# Moving a pawnshop between flat files and the server with `kestrowd-file copy`: the
# demo pawnshop copied to the server and back gives the same dump of every table (the
# users enciphered again); a target that holds the tables is refused and left as it
# was; a copy that fails midway leaves neither the server nor a flat target with any
# of its records.
# Run by with_server.sh (KW_TEST_CONNINFO names an empty server made by scripts/server).
# Usage: server_copy_test.sh SOURCE_DIR KESTROWD_FILE KESTROWD_DEMO
set -u
src="$1" kfile="$2" demo="$3"
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
q() { "$(pg_config --bindir)/psql" "$KW_TEST_CONNINFO" -qAt -c "$1"; }
# The rows of the tables copied before the pledges.
rows() { q "SELECT (SELECT count(*) FROM sec) + (SELECT count(*) FROM day) + (SELECT count(*) FROM klm) + (SELECT count(*) FROM fil) + (SELECT count(*) FROM izd) + (SELECT count(*) FROM zal)"; }
# dump_all DIR OUT: the dump of every table in DIR in the order stored and in the order
# of each of its keys, the users with their owner password.
dump_all() {
  mkdir -p "$2"
  for dat in "$1"/*.DAT; do
    t=$(basename "$dat" .DAT)
    owner=""
    [ "$t" = SEC ] && owner="--owner QORVAL"
    # shellcheck disable=SC2086
    "$kfile" dump "$dat" $owner >"$2/$t.csv" || fail "dump of $dat"
    # shellcheck disable=SC2086
    keys=$("$kfile" info "$dat" $owner | sed -n 's/^keys: //p')
    k=1
    while [ "$k" -le "$keys" ]; do
      # shellcheck disable=SC2086
      "$kfile" dump "$dat" --key "$k" $owner >"$2/$t.key$k.csv" || fail "dump of $dat by key $k"
      k=$((k + 1))
    done
  done
}

# The demo pawnshop, as scripts/run makes it (08.12.2025).
mkdir "$work/flat"
for csv in "$src"/demo-data/*.csv; do
  t=$(basename "$csv" .csv)
  owner=""
  [ "$t" = SEC ] && owner="--owner QORVAL"
  # shellcheck disable=SC2086
  (cd "$work/flat" && "$kfile" create "$t" >/dev/null && "$kfile" load "$t.DAT" $owner <"$csv") || fail "demo table $t"
done
"$demo" "$work/flat" --today 82160 >/dev/null || fail "the demo pawnshop"
dump_all "$work/flat" "$work/dump-flat"
[ "$(wc -l <"$work/dump-flat/ZAL.csv")" -gt 100 ] || fail "the demo has too few pledges"

mkdir "$work/server"
echo "$KW_TEST_CONNINFO" >"$work/server/kestrowd.conninfo"

# A failure midway, on a table copied after others: nothing of the copy stays.
q "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS \$\$BEGIN RAISE EXCEPTION 'refused'; END\$\$"
q "CREATE TRIGGER refuse BEFORE INSERT ON zal FOR EACH ROW EXECUTE FUNCTION refuse()"
out=$("$kfile" copy "$work/flat" "$work/server" 2>&1) && fail "a copy with a failing table succeeded"
echo "$out" | grep -q "nothing was copied" || fail "the failure's message: $out"
echo "$out" | grep -q "copied SEC" || fail "the failing table was the first one copied: $out"
[ "$(rows)" = 0 ] || fail "a failed copy left rows on the server"
q "DROP TRIGGER refuse ON zal"

# Flat files to the server: the table of counts and sums, both sides equal.
out=$("$kfile" copy "$work/flat" "$work/server" 2>&1) || fail "copy to the server: $out"
echo "$out" | grep -q "DIFFERENT" && fail "the sides differ: $out"
pledges=$(($(wc -l <"$work/dump-flat/ZAL.csv") - 1))
echo "$out" | grep -Eq "^ZAL +records +$pledges +$pledges\$" || fail "the pledges' count line: $out"
echo "$out" | grep -Eq "^ZAL +S_VID +[0-9]+\.[0-9]{2} +[0-9]+\.[0-9]{2}\$" || fail "the pledges' money line: $out"
[ "$(q "SELECT count(*) FROM zal")" = "$pledges" ] || fail "the server's pledges"

# The server holds the tables now: a second copy into it is refused and changes nothing.
out=$("$kfile" copy "$work/flat" "$work/server" 2>&1) && fail "a copy into a server with records was taken"
echo "$out" | grep -q "already holds records" || fail "the refusal's message: $out"
[ "$(q "SELECT count(*) FROM zal")" = "$pledges" ] || fail "a refused copy changed the server"

# And back into a new folder: every table dumps as it did.
out=$("$kfile" copy "$work/server" "$work/back" 2>&1) || fail "copy back from the server: $out"
[ ! -e "$work/back/.kestrowd-copy~" ] || fail "the work folder was left behind"
dump_all "$work/back" "$work/dump-back"
# (The server has every table of the program: those the demo lacks come back empty.)
for f in "$work"/dump-flat/*.csv; do
  cmp -s "$f" "$work/dump-back/$(basename "$f")" || fail "$(basename "$f") differs after the round trip: $(diff "$f" "$work/dump-back/$(basename "$f")" | head -10)"
done
[ "$(cat "$work/dump-back/AUD.csv" | wc -l)" = 1 ] || fail "a table the demo lacks came back with records"
"$kfile" dump "$work/back/SEC.DAT" >/dev/null 2>&1 && fail "the users were written without their cipher"
for dat in "$work"/back/*.DAT; do
  owner=""
  [ "$(basename "$dat")" = SEC.DAT ] && owner="--owner QORVAL"
  # shellcheck disable=SC2086
  "$kfile" check "$dat" $owner >/dev/null || fail "the keys of $dat disagree with its records"
done

# Flat files to flat files: the same tables again.
"$kfile" copy "$work/flat" "$work/flat2" >/dev/null 2>&1 || fail "copy between two folders"
dump_all "$work/flat2" "$work/dump-flat2"
diff -r "$work/dump-flat" "$work/dump-flat2" >/dev/null || fail "a copy between folders differs"

# A flat target that holds a table is refused, and left as it was.
before=$(ls -l "$work/back")
out=$("$kfile" copy "$work/server" "$work/back" 2>&1) && fail "a copy into a folder with the tables was taken"
echo "$out" | grep -q "already holds the table" || fail "the refusal's message: $out"
[ "$(ls -l "$work/back")" = "$before" ] || fail "a refused copy changed the folder"

# A record the flat files cannot hold (a date before the calendar's first day), in a
# table copied after others: no table is left half or whole in the new folder.
q "UPDATE zal SET data = '1500-01-01' WHERE kw_row = (SELECT max(kw_row) FROM zal)"
out=$("$kfile" copy "$work/server" "$work/half" 2>&1) && fail "a record out of the calendar was copied"
echo "$out" | grep -q "nothing was copied" || fail "the failure's message: $out"
[ -z "$(ls -A "$work/half")" ] || fail "a failed copy left files: $(ls -A "$work/half")"
echo "ok: copies between flat files and the server"
