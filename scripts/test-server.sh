#!/usr/bin/env bash
# Starts a private, throwaway PostgreSQL cluster for the tests and prints the settings that
# reach it (as shell assignments); `scripts/test-server.sh stop DIR` stops and removes it.
# The cluster lives in a temporary folder, belongs to an unprivileged user, listens on
# 127.0.0.1 only and asks for a password over TCP. It does not flush to the disk unless
# LNG_TEST_PG_FSYNC=on (the benchmarks' setting, as on a real server): the tests need no durability.
set -euo pipefail

bin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)"
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
    echo "PostgreSQL's server programs are missing (Debian package postgresql)" >&2
    exit 1
fi

as_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

if [ "${1:-}" = "stop" ]; then
    dir="$2"
    as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    rm -rf "$dir"
    exit 0
fi

dir="$(mktemp -d /tmp/lng-pg.XXXXXX)"
chmod 755 "$dir"
[ "$(id -u)" -eq 0 ] && chown postgres "$dir"
password="lng-$RANDOM-$RANDOM"
printf '%s\n' "$password" > "$dir/password"
[ "$(id -u)" -eq 0 ] && chown postgres "$dir/password"
as_owner "$bin/initdb" -D "$dir/data" -U lng --pwfile="$dir/password" --auth-local=trust --auth-host=scram-sha-256 \
    -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
# A free port: the first of a few that nothing listens on.
port=""
for candidate in $(shuf -i 20000-60000 -n 20); do
    if ! (echo >"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then
        port="$candidate"
        break
    fi
done
[ -n "$port" ] || { echo "no free port for the test server" >&2; exit 1; }
as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-c listen_addresses=127.0.0.1 -p $port -k $dir -c max_connections=60 -c fsync=${LNG_TEST_PG_FSYNC:-off}" start >/dev/null \
    || { cat "$dir/server.log" >&2; exit 1; }
echo "LNG_TEST_PG_DIR=$dir"
echo "LNG_TEST_PG='host=127.0.0.1 port=$port user=lng'"
echo "PGPASSWORD=$password"
