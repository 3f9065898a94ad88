#!/bin/sh
# Makes the demo as scripts/run does, for 08.12.2025, and runs a scenario on it.
# $1 source tree, $2 kestrowd-file, $3 kestrowd-demo, $4 kestrowd-scenario, $5 day number,
# $6 the scenario (in tests/demo; demo_start.scn when not given).
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for csv in "$1"/demo-data/*.csv; do
  t=$(basename "$csv" .csv)
  (cd "$work" && "$2" create "$t" && if [ "$t" = SEC ]; then "$2" load "$t.DAT" --owner QORVAL < "$csv"; else "$2" load "$t.DAT" < "$csv"; fi)
done
"$3" "$work" --today "$5" >/dev/null
cd "$work" && "$4" "$1/tests/demo/${6:-demo_start.scn}"
