#!/bin/sh
# The restore drill. The demo pawnshop is made as scripts/run makes it (for the day
# TODAY, which demo_open_day.scn opens as an operator does in the morning); a second desk,
# a process of its own, issues loans into it through the program's procedures while
# `kestrowd-file backup` takes several copies one after another. Every copy must verify,
# restore into an empty folder, and dump, table by table, as the pawnshop stood at one
# moment while it was taken. Then one byte of a copy is changed: verify-backup must fail
# on it and restore must leave its target empty.
# With "server" last, the pawnshop is on the server named by KW_TEST_CONNINFO
# (with_server.sh starts one): the copies are read from it while the desk works there,
# and are restored in turn into an empty folder and into an empty database of the same
# server; a restore into the pawnshop's own database, which holds records, is refused.
# Usage: restore_drill_test.sh SOURCE_DIR KESTROWD_FILE KESTROWD_DEMO KESTROWD_SCENARIO
#        TEST_CASHDESK TODAY [server]
set -u
src="$1"
kfile="$2"
demo="$3"
scenario="$4"
desk="$5"
today="$6"
mode="${7:-flat}"
psql="$(pg_config --bindir 2>/dev/null)/psql"
copies=8
deskpid=""
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
top=$(mktemp -d) || exit 1
cleanup() {
  [ -n "$deskpid" ] && kill -9 "$deskpid" 2>/dev/null
  rm -rf "$top"
}
trap cleanup EXIT
data="$top/data"
mkdir "$data" "$top/before" "$top/after" "$top/backups"

if [ "$mode" = server ]; then
  [ -n "${KW_TEST_CONNINFO:-}" ] || fail "no server (KW_TEST_CONNINFO)"
  printf '%s\n' "$KW_TEST_CONNINFO" >"$data/kestrowd.conninfo"
  (cd "$data" && "$kfile" create --all >/dev/null) || fail "the tables were not made on the server"
fi
for csv in "$src"/demo-data/*.csv; do
  t=$(basename "$csv" .csv)
  owner=""
  [ "$t" = SEC ] && owner="--owner QORVAL"
  if [ "$mode" != server ]; then (cd "$data" && "$kfile" create "$t" >/dev/null) || fail "create $t"; fi
  (cd "$data" && "$kfile" load "$t.DAT" $owner <"$csv" >/dev/null) || fail "the demo's $t was not made"
done
"$demo" "$data" --today "$today" >/dev/null || fail "kestrowd-demo"
(cd "$data" && "$scenario" "$src/tests/demo/demo_open_day.scn" >"$top/open.out" 2>&1) ||
  fail "the day was not opened: $(cat "$top/open.out")"

# The tables of a data directory: its data files, or the tables its server holds.
tables_of() {
  if [ -f "$1/kestrowd.conninfo" ]; then
    "$psql" "$(cat "$1/kestrowd.conninfo")" -qAt -c \
      "SELECT upper(tablename) FROM pg_tables WHERE schemaname = 'public' AND tablename NOT LIKE 'kw\_%'" ||
      fail "the tables on the server of $1"
  else
    for dat in "$1"/*.DAT; do basename "$dat" .DAT; done
  fi
}
# An empty database NAME on the test's server, its tables made, for the data directory DIR.
new_database() {
  "$psql" "$KW_TEST_CONNINFO user=postgres dbname=postgres" -qAt \
    -c "CREATE DATABASE $1 OWNER kestrowd ENCODING 'UTF8' TEMPLATE template0" >/dev/null ||
    fail "the database $1 was not made"
  printf '%s dbname=%s\n' "$KW_TEST_CONNINFO" "$1" >"$2/kestrowd.conninfo"
  (cd "$2" && "$kfile" create --all >/dev/null) || fail "the tables of $1 were not made"
}
# Every table of a data directory into OUT/TABLE.csv, its records in the order stored.
dump_all() {
  for t in $(tables_of "$1"); do
    owner=""
    [ "$t" = SEC ] && owner="--owner QORVAL"
    (cd "$1" && "$kfile" dump "$t.DAT" $owner) >"$2/$t.csv" || fail "dump $t in $1"
  done
}
lines() { wc -l <"$1" | tr -d ' '; }
# The loans the desk was told were stored so far (its log is written after each OK).
loans() {
  n=$(grep -c '^L stored' "$data/desk0.log" 2>/dev/null)
  echo "${n:-0}"
}
wait_loans() {
  i=0
  while [ "$(loans)" -lt "$1" ]; do
    kill -0 "$deskpid" 2>/dev/null || fail "the desk ended early: $(cat "$top/desk.out" "$data/desk0.log")"
    i=$((i + 1))
    [ $i -lt 600 ] || fail "the desk stored $(loans) loans in 30 s, not $1"
    sleep 0.05
  done
}

dump_all "$data" "$top/before"
[ -f "$top/before/ZAL.csv" ] && [ -f "$top/before/AUD.csv" ] || fail "no ZAL or AUD in the demo"

KW_DESK_ROLE=loans KW_DESK_ID=0 KW_DESK_DIR="$data" KW_DESK_DATE="$today" KW_DESK_SEED=1 \
  "$desk" --gtest_filter=MultiDeskChild.Run >"$top/desk.out" 2>&1 &
deskpid=$!
wait_loans 10
n=1
while [ $n -le $copies ]; do
  from=$(loans)
  (cd "$data" && "$kfile" backup "$top/backups" >"$top/backup$n.out" 2>&1) ||
    fail "backup $n: $(cat "$top/backup$n.out")"
  to=$(loans)
  echo "$(head -n 1 "$top/backup$n.out") $from $to" >>"$top/copies"
  wait_loans $((to + 3))
  n=$((n + 1))
done
wait_loans $(($(loans) + 10))
touch "$data/stop"
wait "$deskpid"
rc=$?
deskpid=""
[ $rc -eq 0 ] || fail "the desk ended with $rc: $(tail -5 "$top/desk.out")"
grep error "$data/desk0.log" && fail "the desk met an error"
issued=$(loans)

# What the desk did to the original, known from its log: the loans it was told were
# stored, each a pledge and an audit entry added after the records that were there
# before it began; no other table touched.
dump_all "$data" "$top/after"
for f in "$top"/before/*.csv; do
  t=$(basename "$f" .csv)
  case "$t" in
    ZAL | AUD)
      head -n "$(lines "$f")" "$top/after/$t.csv" | cmp -s - "$f" ||
        fail "the desk changed a record of $t that was there before"
      [ $(($(lines "$top/after/$t.csv") - $(lines "$f"))) -eq "$issued" ] ||
        fail "$t: $issued loans stored, but $(($(lines "$top/after/$t.csv") - $(lines "$f"))) records added"
      ;;
    *) cmp -s "$f" "$top/after/$t.csv" || fail "the desk changed $t" ;;
  esac
done
# The pledges were added in the order the desk issued them (the ticket is the 6th
# column; a new loan's address before it is blank, so no comma is quoted).
tail -n "$issued" "$top/after/ZAL.csv" | cut -d, -f6 >"$top/tickets.added"
grep '^L stored' "$data/desk0.log" | cut -d' ' -f3 >"$top/tickets.told"
cmp -s "$top/tickets.added" "$top/tickets.told" || fail "the pledges added are not the loans the desk stored"

# Every copy. A table the desk did not write dumps as it did before. The pledges and the
# audit journal are the records that were there before the desk began followed by the
# first k records it added, k the same in both (each loan is one record in each, written
# in one transaction): compared line by line with the original at the end, the restored
# dump must be the first lines of it, so that no loan is in the copy without the loans
# before it, none is in it without its audit entry, and none is cut. k lies between the
# loans the desk had been told of when the copy began and one more than those it had been
# told of when the copy ended (the last loan stored may not be logged yet).
n=1
while read -r folder from to; do
  out=$(cd "$data" && "$kfile" verify-backup "$folder" 2>&1) || fail "copy $n does not verify: $out"
  mkdir "$top/restored$n" "$top/dump$n"
  [ "$mode" = server ] && [ $((n % 2)) -eq 0 ] && new_database "restored$n" "$top/restored$n"
  out=$(cd "$top/restored$n" && "$kfile" restore "$folder" 2>&1) || fail "copy $n not restored: $out"
  dump_all "$top/restored$n" "$top/dump$n"
  [ "$(ls "$top/dump$n")" = "$(ls "$top/before")" ] || fail "copy $n: other tables: $(ls "$top/dump$n")"
  kz=""
  for f in "$top"/before/*.csv; do
    t=$(basename "$f" .csv)
    got="$top/dump$n/$t.csv"
    case "$t" in
      ZAL | AUD)
        head -n "$(lines "$got")" "$top/after/$t.csv" | cmp -s - "$got" ||
          fail "copy $n: $t is not the original's first records: $(diff "$got" "$top/after/$t.csv" | head -3)"
        k=$(($(lines "$got") - $(lines "$f")))
        [ -z "$kz" ] || [ "$k" -eq "$kz" ] || fail "copy $n: $kz loans in one table, $k in the other"
        kz=$k
        ;;
      *) cmp -s "$f" "$got" || fail "copy $n: $t differs: $(diff "$f" "$got" | head -3)" ;;
    esac
  done
  [ "$kz" -ge "$from" ] && [ "$kz" -le $((to + 1)) ] ||
    fail "copy $n holds $kz loans; the desk had stored $from when it began and $to when it ended"
  into="a folder"
  [ -f "$top/restored$n/kestrowd.conninfo" ] && into="a database"
  echo "copy $n: $kz of $issued loans (the desk had stored $from to $to), restored into $into"
  n=$((n + 1))
done <"$top/copies"

# One byte changed in a pledge of a copy: it does not verify, and is not restored.
folder=$(head -n 1 "$top/copies" | cut -d' ' -f1)
cp -r "$folder" "$top/damaged"
file="$top/damaged/ZAL.DAT"
at=$(($(wc -c <"$file") - 100))
byte=$(od -An -tu1 -j "$at" -N1 "$file" | tr -d ' ')
printf "$(printf '\\%03o' $((byte ^ 1)))" | dd of="$file" bs=1 seek="$at" conv=notrunc 2>/dev/null
cmp -s "$file" "$folder/ZAL.DAT" && fail "the byte was not changed"
out=$("$kfile" verify-backup "$top/damaged" 2>&1) && fail "a damaged copy verifies: $out"
echo "$out" | grep -q 'ZAL.DAT' || fail "verify-backup does not name the damaged file: $out"
mkdir "$top/refused"
out=$(cd "$top/refused" && "$kfile" restore "$top/damaged" 2>&1) && fail "a damaged copy was restored: $out"
[ -z "$(ls -A "$top/refused")" ] || fail "restore of a damaged copy left: $(ls -A "$top/refused")"
[ "$mode" = server ] || exit 0

# Nor into an empty database; and a sound copy is not restored over the pawnshop.
mkdir "$top/refused-db" "$top/empty" "$top/again"
new_database refused "$top/refused-db"
out=$(cd "$top/refused-db" && "$kfile" restore "$top/damaged" 2>&1) && fail "a damaged copy was restored: $out"
dump_all "$top/refused-db" "$top/empty"
for f in "$top"/empty/*.csv; do
  [ "$(lines "$f")" -le 1 ] || fail "restore of a damaged copy left records in $(basename "$f" .csv)"
done
out=$(cd "$data" && "$kfile" restore "$folder" 2>&1) && fail "a copy was restored over the pawnshop: $out"
echo "$out" | grep -q 'already holds records' || fail "the refusal does not say why: $out"
dump_all "$data" "$top/again"
for f in "$top"/after/*.csv; do
  cmp -s "$f" "$top/again/$(basename "$f")" || fail "a refused restore changed $(basename "$f" .csv)"
done
exit 0
