# A throwaway MariaDB server for the tests, sourced by test.sh and sanitize.sh.
#
#   mariadb_server_start  starts a server under a fresh temporary folder (its own data folder and
#                         socket), listening on 127.0.0.1 only at a random free port, with a login
#                         that has a random password and may create databases, and exports
#                         TBN_MARIADB_HOST, TBN_MARIADB_PORT, TBN_MARIADB_USER, TBN_MARIADB_PASSWORD.
#                         When TBN_MARIADB_HOST is already set, that server is used and nothing is
#                         started.
#   mariadb_server_stop   stops the server and removes its folder; safe to call twice or before start.
#
# Every program is run with --no-defaults, so the machine's /etc/mysql settings play no part, and
# no system service is started. Runs as root (the server then runs as the mysql user) or as an
# ordinary user.

MARIADB_SERVER_DIR=""
MARIADB_SERVER_PID=""

_mariadb_port_free() {
    ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# Runs SQL as an administrator, who may log in only through the socket, as the same system user.
_mariadb_admin_sql() {
    mariadb --no-defaults --protocol=socket --socket="$MARIADB_SERVER_DIR/mysqld.sock" -u "$(id -u -n)" -e "$1"
}

mariadb_server_start() {
    if [ -n "${TBN_MARIADB_HOST:-}" ]; then
        echo "Using the MariaDB server at $TBN_MARIADB_HOST:${TBN_MARIADB_PORT:-3306}"
        return 0
    fi
    if ! command -v mariadbd >/dev/null 2>&1 && [ ! -x /usr/sbin/mariadbd ]; then
        echo "MariaDB is not installed; the MariaDB tests will skip." >&2
        return 0
    fi
    local server
    server="$(command -v mariadbd || echo /usr/sbin/mariadbd)"
    MARIADB_SERVER_DIR="$(mktemp -d "${TMPDIR:-/tmp}/tbn-mariadb.XXXXXX")"
    chmod 755 "$MARIADB_SERVER_DIR"
    [ "$(id -u)" -eq 0 ] && chown mysql:mysql "$MARIADB_SERVER_DIR"
    # Only the system user that runs this may log in as an administrator, through the socket; the
    # tests log in over TCP with the password made below.
    # Root hands the server to the mysql user; anyone else runs it as themself.
    local run_as=(--user=mysql) admin=()
    [ "$(id -u)" -eq 0 ] || { run_as=(); admin=(--auth-root-socket-user="$(id -u -n)"); }
    mariadb-install-db --no-defaults --datadir="$MARIADB_SERVER_DIR/data" "${run_as[@]}" "${admin[@]}" \
        --auth-root-authentication-method=socket --skip-test-db \
        --skip-name-resolve >"$MARIADB_SERVER_DIR/install.log" 2>&1 || {
        cat "$MARIADB_SERVER_DIR/install.log" >&2
        return 1
    }
    local port started=""
    for _ in 1 2 3 4 5 6 7 8; do
        port=$((20000 + RANDOM % 30000))
        _mariadb_port_free "$port" || continue
        # Text is utf8mb4 throughout, as a current installation has it; durability is traded
        # for speed, since the data is thrown away.
        "$server" --no-defaults "${run_as[@]}" --datadir="$MARIADB_SERVER_DIR/data" \
            --socket="$MARIADB_SERVER_DIR/mysqld.sock" --pid-file="$MARIADB_SERVER_DIR/mysqld.pid" \
            --log-error="$MARIADB_SERVER_DIR/server.log" --tmpdir="$MARIADB_SERVER_DIR" \
            --bind-address=127.0.0.1 --port="$port" --skip-name-resolve --skip-log-bin \
            --character-set-server=utf8mb4 --collation-server=utf8mb4_unicode_ci \
            --innodb-flush-log-at-trx-commit=0 --innodb-doublewrite=0 --innodb-buffer-pool-size=64M \
            --innodb-log-file-size=32M --max-allowed-packet=64M </dev/null >/dev/null 2>&1 &
        MARIADB_SERVER_PID=$!
        local waited
        for waited in $(seq 1 300); do
            if [ -S "$MARIADB_SERVER_DIR/mysqld.sock" ] && _mariadb_admin_sql "SELECT 1" >/dev/null 2>&1; then
                started=1
                break
            fi
            kill -0 "$MARIADB_SERVER_PID" 2>/dev/null || break
            sleep 0.1
        done
        [ -n "$started" ] && break
        # Lost the port to someone else, or gave up waiting: try another.
        kill "$MARIADB_SERVER_PID" 2>/dev/null || true
        wait "$MARIADB_SERVER_PID" 2>/dev/null || true
        MARIADB_SERVER_PID=""
    done
    if [ -z "$started" ]; then
        cat "$MARIADB_SERVER_DIR/server.log" >&2
        return 1
    fi
    local password
    password="tbn-$(od -An -N8 -tx1 /dev/urandom | tr -d ' \n')"
    # The tests make and drop a database of their own for each test, named tbn_*, and a test that
    # must see its database alone makes a login for it. The pattern's underscore is left
    # unescaped: the server checks a grant passed on against an escaped one and refuses it.
    _mariadb_admin_sql "CREATE USER 'tbn_test'@'127.0.0.1' IDENTIFIED BY '$password';
        GRANT ALL PRIVILEGES ON \`tbn_%\`.* TO 'tbn_test'@'127.0.0.1' WITH GRANT OPTION;
        GRANT CREATE USER ON *.* TO 'tbn_test'@'127.0.0.1';
        GRANT PROCESS ON *.* TO 'tbn_test'@'127.0.0.1'" || return 1
    export TBN_MARIADB_HOST=127.0.0.1 TBN_MARIADB_PORT="$port" TBN_MARIADB_USER=tbn_test \
        TBN_MARIADB_PASSWORD="$password"
    echo "MariaDB test server on 127.0.0.1:$port (folder $MARIADB_SERVER_DIR)"
}

mariadb_server_stop() {
    [ -n "$MARIADB_SERVER_DIR" ] || return 0
    if [ -n "$MARIADB_SERVER_PID" ]; then
        kill "$MARIADB_SERVER_PID" 2>/dev/null || true
        # SIGTERM is the server's own clean shutdown; give it a while before forcing it.
        local waited
        for waited in $(seq 1 100); do
            kill -0 "$MARIADB_SERVER_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$MARIADB_SERVER_PID" 2>/dev/null || true
        wait "$MARIADB_SERVER_PID" 2>/dev/null || true
    fi
    rm -rf "$MARIADB_SERVER_DIR"
    MARIADB_SERVER_DIR=""
    MARIADB_SERVER_PID=""
    unset TBN_MARIADB_HOST TBN_MARIADB_PORT TBN_MARIADB_USER TBN_MARIADB_PASSWORD
}
