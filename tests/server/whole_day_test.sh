#!/bin/sh
# A whole day on both back ends: the demo pawnshop made twice from the same CSV files
# and the same today, once in flat data files and once on the server named by
# KW_TEST_CONNINFO (with_server.sh starts one); the whole-day scenario run on each; then
# every table's dump must be the same on both, the audit journal's chain must hold on
# both, and the summary order's PDF must read the same.
#
# Two columns of the audit journal differ by nature and are left out of its comparison:
# TIME, the moment of the day the entry was written (the scenario fixes the date, not
# the clock), and HASH, which is chained over every field, TIME included. The rest of
# each entry (number, date, user, desk, table, key, kind, text) must be equal.
# Usage: whole_day_test.sh SOURCE_DIR KESTROWD_FILE KESTROWD_DEMO KESTROWD_SCENARIO
set -u
src="$1" kfile="$2" demo="$3" scenario="$4"
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -n "${KW_TEST_CONNINFO:-}" ] || fail "no server (KW_TEST_CONNINFO)"
top=$(mktemp -d) || exit 1
trap 'rm -rf "$top"' EXIT
mkdir "$top/server" "$top/flat" "$top/dump"
printf '%s\n' "$KW_TEST_CONNINFO" >"$top/server/kestrowd.conninfo"

owner_of() { [ "$1" = SEC ] && echo "--owner QORVAL"; }

for side in flat server; do
  dir="$top/$side"
  (cd "$dir" && "$kfile" create --all >/dev/null) || fail "the tables could not be made ($side)"
  for csv in "$src"/demo-data/*.csv; do
    t=$(basename "$csv" .csv)
    # shellcheck disable=SC2046
    (cd "$dir" && "$kfile" load "$t.DAT" $(owner_of "$t") <"$csv" >/dev/null) || fail "load $t ($side)"
  done
  "$demo" "$dir" --today 82160 >/dev/null || fail "kestrowd-demo ($side)"
  (cd "$dir" && "$scenario" "$src/tests/demo/whole_day.scn") || fail "the whole day did not hold ($side)"
  (cd "$dir" && "$kfile" verify-audit AUD.DAT >/dev/null) || fail "the audit journal's chain ($side)"
  [ -s "$dir/summary.pdf" ] || fail "no summary order written ($side)"
  pdftotext -layout "$dir/summary.pdf" "$top/dump/summary.$side.txt" || fail "pdftotext ($side)"
done
ls "$top/server" | grep -qi '\.dat$' && fail "data files written beside kestrowd.conninfo: $(ls "$top/server")"

# Every table of the dictionary, as `create --all` made it in the flat directory.
n=0
for dat in "$top"/flat/*.DAT; do
  t=$(basename "$dat" .DAT)
  n=$((n + 1))
  for side in flat server; do
    # shellcheck disable=SC2046
    (cd "$top/$side" && "$kfile" dump "$t.DAT" $(owner_of "$t")) >"$top/dump/$t.$side" || fail "dump $t ($side)"
  done
  if [ "$t" = AUD ]; then
    for side in flat server; do
      # TIME is the third field (numbers before it), HASH the last (hex digits only).
      sed -e 's/^\([^,]*,[^,]*\),[^,]*,/\1,/' -e 's/,[^,]*$//' "$top/dump/AUD.$side" >"$top/dump/AUD.$side.cut"
      mv "$top/dump/AUD.$side.cut" "$top/dump/AUD.$side"
    done
  fi
  cmp -s "$top/dump/$t.flat" "$top/dump/$t.server" ||
    fail "$t differs between flat files and server: $(diff "$top/dump/$t.flat" "$top/dump/$t.server" | head -6)"
done
[ $n -ge 14 ] || fail "only $n tables in the flat directory"

# The day's audit entries, kinds in order: day opened, new pledge, prolongation 1,
# roll-back, prolongation 1, redemption, sale, journal entry added, settings changed
# (the closing's balance), day closed.
kinds=$(tail -n +2 "$top/dump/AUD.flat" | awk -F, '{ print $8 }' | tr '\n' ' ')
[ "$kinds" = "13 1 2 9 2 5 6 10 16 14 " ] || fail "the day's audit entries are of the kinds: $kinds"

cmp -s "$top/dump/summary.flat.txt" "$top/dump/summary.server.txt" ||
  fail "the summary order differs: $(diff "$top/dump/summary.flat.txt" "$top/dump/summary.server.txt" | head -6)"
grep -q "Всего получено: 9287.78" "$top/dump/summary.flat.txt" || fail "the summary order lacks the day's receipts"
exit 0
