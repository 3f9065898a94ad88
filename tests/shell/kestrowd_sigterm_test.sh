#!/bin/sh
# kestrowd without a display says so in one line and ends with a non-zero code. Started in
# an empty directory it shows its frame without creating any data file, and SIGTERM ends
# it through the normal shut-down: the INI file written, exit code 0.
# Usage: kestrowd_sigterm_test.sh PATH/TO/kestrowd
set -u
exe="$1"
top=$(mktemp -d) || exit 1
trap 'kill -KILL "$pid" 2>/dev/null; rm -rf "$top"' EXIT
mkdir "$top/data" "$top/xdg"
chmod 700 "$top/xdg"
pid=0

fail() {
    echo "FAIL: $*" >&2
    [ -s "$top/err" ] && { echo "its standard error:" >&2; cat "$top/err" >&2; }
    exit 1
}

(cd "$top/data" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$exe") >"$top/out" 2>"$top/err"
rc=$?
[ "$rc" -ne 0 ] || fail "without a display the exit code is 0"
[ "$(wc -l <"$top/err")" -eq 1 ] || fail "without a display the message is not one line"
grep -q "no display" "$top/err" || fail "without a display the message does not say so"
[ -z "$(ls -A "$top/data")" ] || fail "without a display files were created: $(ls -A "$top/data")"
: >"$top/err"

(cd "$top/data" && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$top/xdg" exec "$exe") >"$top/out" 2>"$top/err" &
pid=$!

# The frame is up well within this time; the program must still be running.
sleep 2
kill -0 "$pid" 2>/dev/null || fail "kestrowd ended by itself"
[ -z "$(ls -A "$top/data")" ] || fail "files were created before the login window opened: $(ls -A "$top/data")"

kill -TERM "$pid"
# Wait up to 10 s for the clean end.
n=0
while kill -0 "$pid" 2>/dev/null && [ $n -lt 100 ]; do sleep 0.1; n=$((n + 1)); done
kill -0 "$pid" 2>/dev/null && fail "kestrowd did not end within 10 s of SIGTERM"
wait "$pid"
rc=$?
[ "$rc" -eq 0 ] || fail "exit code $rc, expected 0"
[ "$(ls -A "$top/data")" = "kestrowd.INI" ] || fail "the directory holds: $(ls -A "$top/data"), expected kestrowd.INI alone"
grep -q '^\[__Dont_Touch_Me__\]' "$top/data/kestrowd.INI" || fail "kestrowd.INI lacks the INI manager's section"
[ -s "$top/err" ] && fail "kestrowd wrote to standard error"
echo "ok: no display refused; frame up, no data file, clean end on SIGTERM"
exit 0
