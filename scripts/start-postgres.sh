#!/usr/bin/env bash
# A private PostgreSQL server for the tests and the benchmark.
#   start-postgres.sh DIR          initdb into DIR/data as the postgres user, start it with its
#                                  socket in DIR (no TCP), print the URL of its "postgres" database
#   start-postgres.sh --stop DIR   stop it and remove DIR
#   start-postgres.sh --kill DIR   stop it at once as a crash would, keeping DIR
#   start-postgres.sh --restart DIR  start a killed server again on its old socket and port
#   start-postgres.sh --tcp DIR    as the first, but listening on 127.0.0.1 at a free port too (for the
#                                  Windows build's tests under Wine, whose libpq has no Unix sockets);
#                                  prints a URL over TCP
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

# Starts the server of DIR on the port kept in DIR/port.
start_server() {
    local dir="$1" bin
    bin="$(cat "$dir/bindir")"
    runuser -u postgres -- "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
        -o "-c listen_addresses='$(cat "$dir/listen" 2>/dev/null)' -c unix_socket_directories='$dir' -p $(cat "$dir/port") -c max_connections=50 -c recovery_init_sync_method=syncfs" \
        start >/dev/null \
        || { say "the server did not start:"; cat "$dir/server.log" >&2; return 1; }
}

case "${1:-}" in
--kill)
    dir="${2:?usage: start-postgres.sh --kill DIR}"
    runuser -u postgres -- "$(cat "$dir/bindir")/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null
    exit 0
    ;;
--restart)
    start_server "${2:?usage: start-postgres.sh --restart DIR}"
    exit
    ;;
esac

tcp=""
if [ "${1:-}" = "--tcp" ]; then
    tcp=1
    shift
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
runuser -u postgres -- "$bin/initdb" -D "$dir/data" --no-sync -A trust -U postgres -E UTF8 --no-locale >"$dir/initdb.log" 2>&1 \
    || { say "initdb failed:"; cat "$dir/initdb.log" >&2; exit 1; }

# The socket lives in DIR, so any port number is free there; one from the
# process id keeps two servers' lock files apart in the logs.
port=$((20000 + $$ % 20000))
if [ -n "$tcp" ]; then
    # A port nobody listens on now.
    port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
    echo "127.0.0.1" >"$dir/listen"
fi
echo "$port" >"$dir/port"
start_server "$dir"
if [ -n "$tcp" ]; then
    echo "postgresql://postgres@127.0.0.1:$port/postgres"
    exit 0
fi
host="$(printf '%s' "$dir" | sed 's|/|%2F|g')"
echo "postgresql://postgres@$host:$port/postgres"
