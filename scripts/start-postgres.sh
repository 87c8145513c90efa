#!/usr/bin/env bash
# A private PostgreSQL server for the tests and the benchmark.
#   start-postgres.sh DIR          initdb into DIR/data as the postgres user, start it with its
#                                  socket in DIR (no TCP), print the URL of its "postgres" database
#   start-postgres.sh --stop DIR   stop it and remove DIR
# The server runs as the postgres user since initdb refuses root; DIR is handed to that user.
set -euo pipefail

say() { echo "start-postgres: $*" >&2; }

if [ "${1:-}" = "--stop" ]; then
    dir="${2:?usage: start-postgres.sh --stop DIR}"
    bin="$(cat "$dir/bindir" 2>/dev/null || true)"
    if [ -n "$bin" ] && [ -f "$dir/data/postmaster.pid" ]; then
        runuser -u postgres -- "$bin/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    exit 0
fi

dir="${1:?usage: start-postgres.sh DIR}"
if [ "$(id -u)" -ne 0 ]; then
    say "must run as root (the server is started as the postgres user)"
    exit 1
fi
bin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
    say "no PostgreSQL server installed (package postgresql)"
    exit 1
fi
if ! id postgres >/dev/null 2>&1; then
    say "no postgres user"
    exit 1
fi
mkdir -p "$dir"
chown postgres "$dir"
chmod 0755 "$dir"
echo "$bin" >"$dir/bindir"
runuser -u postgres -- "$bin/initdb" -D "$dir/data" -A trust -U postgres -E UTF8 --no-locale >"$dir/initdb.log" 2>&1 \
    || { say "initdb failed:"; cat "$dir/initdb.log" >&2; exit 1; }

# The socket lives in DIR, so any port number is free there; one from the
# process id keeps two servers' lock files apart in the logs.
port=$((20000 + $$ % 20000))
runuser -u postgres -- "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
    -o "-c listen_addresses='' -c unix_socket_directories='$dir' -p $port -c max_connections=50" start >/dev/null \
    || { say "the server did not start:"; cat "$dir/server.log" >&2; exit 1; }
host="$(printf '%s' "$dir" | sed 's|/|%2F|g')"
echo "postgresql://postgres@$host:$port/postgres"
