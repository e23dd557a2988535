#!/usr/bin/env bash
# A throw-away PostgreSQL server for the shared repository's tests.
#
#   scripts/pg-test-server.sh start   starts a new server on a free loopback
#                                     port (data, socket and log in a new
#                                     folder under /tmp) and prints two lines:
#                                     its connection string and the folder
#   scripts/pg-test-server.sh stop FOLDER
#                                     stops that server and removes the folder
#
# The server refuses to run as root: as root it runs as the unprivileged user
# "nobody", which owns the folder. Connections from the loopback address are
# trusted, so no password is involved.
set -euo pipefail

BIN=""
for d in $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V -r); do
  [ -x "$d/initdb" ] && [ -x "$d/pg_ctl" ] && BIN="$d" && break
done
if [ -z "$BIN" ]; then
  echo "pg-test-server: no PostgreSQL server programs (Debian package postgresql)" >&2
  exit 1
fi

# Runs a server program as the folder's owner.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u nobody -- "$@"
  else
    "$@"
  fi
}

case "${1:-}" in
start)
  DIR="$(mktemp -d /tmp/phrasedesk-pg.XXXXXX)"
  chmod 700 "$DIR"
  [ "$(id -u)" -eq 0 ] && chown nobody "$DIR"
  PORT="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
  if ! as_owner "$BIN/initdb" -D "$DIR/data" -U phrasedesk --auth=trust --encoding=UTF8 --locale=C.UTF-8 \
    >"$DIR/initdb.log" 2>&1; then
    cat "$DIR/initdb.log" >&2
    rm -rf "$DIR"
    exit 1
  fi
  if ! as_owner "$BIN/pg_ctl" -D "$DIR/data" -l "$DIR/server.log" -w -t 60 \
    -o "-p $PORT -k $DIR -c listen_addresses=127.0.0.1 -c max_connections=200 -c fsync=off" start >/dev/null; then
    cat "$DIR/server.log" >&2 || true
    rm -rf "$DIR"
    exit 1
  fi
    echo "postgresql://127.0.0.1:$PORT/postgres?user=phrasedesk"
  echo "$DIR"
  ;;
stop)
  DIR="${2:?usage: $0 stop FOLDER}"
  case "$DIR" in
  /tmp/phrasedesk-pg.*) ;;
  *)
    echo "pg-test-server: not a test server folder: $DIR" >&2
    exit 1
    ;;
  esac
  as_owner "$BIN/pg_ctl" -D "$DIR/data" -m immediate -w stop >/dev/null 2>&1 || true
  rm -rf "$DIR"
  ;;
*)
  echo "usage: $0 start | stop FOLDER" >&2
  exit 2
  ;;
esac
