#!/bin/sh
# Runs a command with a PostgreSQL server of its own: a cluster made by scripts/server in
# a temporary folder (a socket only, no password), its connection line in
# KW_TEST_CONNINFO (the folder and port it was given in KW_TEST_SERVER_DIR and
# KW_TEST_SERVER_PORT); the server is stopped and the folder removed afterwards.
# Usage: with_server.sh SOURCE_DIR COMMAND [ARGS...]
set -u
src="$1"
shift
top=$(mktemp -d) || exit 1
chmod 755 "$top"  # the server runs as another user when the test runs as root
port=$((56000 + $$ % 1000))
bin="$(pg_config --bindir 2>/dev/null)"
stop() {
  if [ -f "$top/db/cluster/postmaster.pid" ]; then
    if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$bin/pg_ctl" -D "$top/db/cluster" -m immediate stop >/dev/null 2>&1
    else "$bin/pg_ctl" -D "$top/db/cluster" -m immediate stop >/dev/null 2>&1; fi
  fi
  rm -rf "$top"
}
trap stop EXIT
KW_TEST_CONNINFO=$("$src/scripts/server" "$top/db" --local --port "$port" | tail -1) || { echo "FAIL: no server" >&2; exit 1; }
export KW_TEST_CONNINFO
KW_TEST_SERVER_DIR="$top/db" KW_TEST_SERVER_PORT="$port"
export KW_TEST_SERVER_DIR KW_TEST_SERVER_PORT
"$@"
