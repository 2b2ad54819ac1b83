# A throwaway PostgreSQL 15 cluster for the tests and benchmarks, sourced by test.sh.
#
#   pg_server_start   starts a cluster under a fresh temporary folder, listening on 127.0.0.1 only,
#                     with a test database owned by a login that has a password, and exports
#                     TBN_PG_HOST, TBN_PG_PORT, TBN_PG_USER, TBN_PG_PASSWORD, TBN_PG_DATABASE,
#                     and TBN_PG_ADMIN_HOST, the socket folder where the superuser postgres logs in
#                     without a password (for the few tests that must change what the login may do).
#                     When TBN_PG_HOST is already set, that server is used and nothing is started.
#   pg_server_stop    stops the cluster and removes its folder; safe to call twice or before start.
#
# Runs as root (the server then runs as the postgres user, since initdb refuses root) or as an
# ordinary user.

PG_SERVER_BIN="${PG_SERVER_BIN:-/usr/lib/postgresql/15/bin}"
PG_SERVER_DIR=""

_pg_as_owner() {
    if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

_pg_port_free() {
    ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

pg_server_start() {
    if [ -n "${TBN_PG_HOST:-}" ]; then
        echo "Using the PostgreSQL server at $TBN_PG_HOST:${TBN_PG_PORT:-5432}"
        return 0
    fi
    if [ ! -x "$PG_SERVER_BIN/initdb" ]; then
        echo "PostgreSQL 15 is not installed; the PostgreSQL tests will skip." >&2
        return 0
    fi
    PG_SERVER_DIR="$(mktemp -d "${TMPDIR:-/tmp}/tbn-pg.XXXXXX")"
    [ "$(id -u)" -eq 0 ] && chown postgres:postgres "$PG_SERVER_DIR"
    # Logins from the socket are trusted so the set-up below needs no password; every TCP login,
    # which is how the tests connect, must give one.
    _pg_as_owner "$PG_SERVER_BIN/initdb" -D "$PG_SERVER_DIR/data" -U postgres --auth-local=trust \
        --auth-host=scram-sha-256 -E UTF8 --locale=C.UTF-8 --no-sync >"$PG_SERVER_DIR/initdb.log" 2>&1 || {
        cat "$PG_SERVER_DIR/initdb.log" >&2
        return 1
    }
    local port started=""
    for _ in 1 2 3 4 5 6 7 8; do
        port=$((20000 + RANDOM % 30000))
        _pg_port_free "$port" || continue
        if _pg_as_owner "$PG_SERVER_BIN/pg_ctl" -D "$PG_SERVER_DIR/data" -l "$PG_SERVER_DIR/server.log" -w \
            -o "-c listen_addresses=127.0.0.1 -p $port -k $PG_SERVER_DIR -c fsync=off" start >/dev/null; then
            started=1
            break
        fi
    done
    if [ -z "$started" ]; then
        cat "$PG_SERVER_DIR/server.log" >&2
        return 1
    fi
    local password
    password="tbn-$(od -An -N8 -tx1 /dev/urandom | tr -d ' \n')"
    local psql=("$PG_SERVER_BIN/psql" -X -q -v ON_ERROR_STOP=1 -h "$PG_SERVER_DIR" -p "$port" -U postgres -d postgres)
    "${psql[@]}" -c "CREATE ROLE tbn_test LOGIN CREATEDB PASSWORD '$password'" &&
        "${psql[@]}" -c "CREATE DATABASE tbn_test OWNER tbn_test" || return 1
    export TBN_PG_HOST=127.0.0.1 TBN_PG_PORT="$port" TBN_PG_USER=tbn_test TBN_PG_PASSWORD="$password" \
        TBN_PG_DATABASE=tbn_test TBN_PG_ADMIN_HOST="$PG_SERVER_DIR"
    echo "PostgreSQL test server on 127.0.0.1:$port (folder $PG_SERVER_DIR)"
}

pg_server_stop() {
    [ -n "$PG_SERVER_DIR" ] || return 0
    _pg_as_owner "$PG_SERVER_BIN/pg_ctl" -D "$PG_SERVER_DIR/data" -m fast -w stop >/dev/null 2>&1 || true
    rm -rf "$PG_SERVER_DIR"
    PG_SERVER_DIR=""
    unset TBN_PG_HOST TBN_PG_PORT TBN_PG_USER TBN_PG_PASSWORD TBN_PG_DATABASE TBN_PG_ADMIN_HOST
}
