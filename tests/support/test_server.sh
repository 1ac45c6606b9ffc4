#!/usr/bin/env bash
# The private MariaDB server of the tests.
#   test_server.sh start STATE_DIR [OPTION...]
#                                    data directory in a temporary folder, TCP on 127.0.0.1 with a
#                                    free port, its own socket, a test user with a password; writes
#                                    STATE_DIR/env with the OSTRELLE_TEST_MYSQL_* variables; the
#                                    options go to mariadbd after the defaults (a test's own server
#                                    with --max-allowed-packet=64K, say)
#   test_server.sh stop STATE_DIR    stops that server by its process id and removes its data
set -euo pipefail

action=${1:?start or stop}
state=${2:?state folder}
shift 2
extra=("$@")
user=ostrelle_test
password='Test-pw_1'

mariadbd=$(command -v mariadbd || echo /usr/sbin/mariadbd)
install_db=$(command -v mariadb-install-db || echo /usr/bin/mariadb-install-db)
client=$(command -v mariadb || command -v mysql)

stop_server() {
  [ -f "$state/pid" ] || return 0
  local pid
  pid=$(cat "$state/pid")
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  fi
  [ -f "$state/datadir" ] && rm -rf "$(cat "$state/datadir")"
  rm -f "$state/pid" "$state/env" "$state/datadir"
}

port_is_free() {
  ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

case "$action" in
start)
  mkdir -p "$state"
  stop_server
  base=$(mktemp -d "${TMPDIR:-/tmp}/ostrelle-mariadb-XXXXXX")
  echo "$base" > "$state/datadir"
  run_as=()
  [ "$(id -u)" -eq 0 ] && run_as=(--user=root)
  # The server's temporary files go to a folder of its own: in the shared /tmp, a bootstrap once
  # found its own temporary table gone ("Error on delete of '/tmp/#sql-temptable-...'") while
  # other tests' servers started beside it. Such a failed bootstrap is tried once more.
  mkdir -p "$base/tmp"
  installed=
  for _ in 1 2; do
    rm -rf "$base/data"
    if "$install_db" --no-defaults --datadir="$base/data" --tmpdir="$base/tmp" "${run_as[@]}" \
      --auth-root-authentication-method=normal --skip-test-db >"$base/install.log" 2>&1; then
      installed=1
      break
    fi
  done
  [ -n "$installed" ] || { cat "$base/install.log" >&2; exit 1; }

  # A port below the range the system hands out to outgoing connections, which the tests open
  # by the hundred. Another server starting at the same moment may still take it between the
  # check and the bind: the server then ends at once, and another port is tried.
  for attempt in 1 2 3 4 5; do
    for _ in $(seq 1 50); do
      port=$((20000 + RANDOM % 12000))
      port_is_free "$port" && break
    done
    : > "$base/error.log"
    "$mariadbd" --no-defaults "${run_as[@]}" --datadir="$base/data" --tmpdir="$base/tmp" --socket="$base/mysqld.sock" \
      --port="$port" --bind-address=127.0.0.1 --pid-file="$base/mysqld.pid" \
      --log-error="$base/error.log" --local-infile=1 --innodb-buffer-pool-size=256M \
      --innodb-log-file-size=256M --max-allowed-packet=64M --skip-name-resolve "${extra[@]}" &
    echo $! > "$state/pid"

    ready=
    for _ in $(seq 1 300); do
      if "$client" --no-defaults -uroot --socket="$base/mysqld.sock" -e 'SELECT 1' >/dev/null 2>&1; then
        ready=1; break
      fi
      kill -0 "$(cat "$state/pid")" 2>/dev/null || break
      sleep 0.1
    done
    [ -n "$ready" ] && break
    grep -q "Address already in use" "$base/error.log" 2>/dev/null || break
    wait "$(cat "$state/pid")" 2>/dev/null || true
    echo "port $port was taken (attempt $attempt), trying another" >&2
  done
  if [ -z "${ready:-}" ]; then
    echo "the private MariaDB server did not start:" >&2
    cat "$base/error.log" >&2 || true
    stop_server
    exit 1
  fi
  "$client" --no-defaults -uroot --socket="$base/mysqld.sock" <<SQL
CREATE USER '$user'@'127.0.0.1' IDENTIFIED BY '$password';
CREATE USER '$user'@'localhost' IDENTIFIED BY '$password';
GRANT ALL PRIVILEGES ON *.* TO '$user'@'127.0.0.1' WITH GRANT OPTION;
GRANT ALL PRIVILEGES ON *.* TO '$user'@'localhost' WITH GRANT OPTION;
SQL
  cat > "$state/env" <<ENV
OSTRELLE_TEST_MYSQL_HOST=127.0.0.1
OSTRELLE_TEST_MYSQL_PORT=$port
OSTRELLE_TEST_MYSQL_USER=$user
OSTRELLE_TEST_MYSQL_PASSWORD=$password
OSTRELLE_TEST_MYSQL_SOCKET=$base/mysqld.sock
ENV
  echo "private MariaDB server on 127.0.0.1:$port (pid $(cat "$state/pid"))"
  ;;
stop)
  stop_server
  echo "private MariaDB server stopped"
  ;;
*)
  echo "usage: $0 start|stop STATE_DIR" >&2
  exit 2
  ;;
esac
