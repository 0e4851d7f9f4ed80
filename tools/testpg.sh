#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests: its own temporary folder, a free loopback port,
# trust authentication on 127.0.0.1 only, gone again when the caller is done. One role,
# brunox_pw (password brunox_pw_secret), must give its password, so that tests can see a wrong
# password rejected; every other role is trusted.
#
# Sourced by ./dev, or run directly to wrap one command, for example a single test executable:
#   tools/testpg.sh run build/asan/libs/kavra/kavra_tests --gtest_filter='Pg*'
#
# After testpg_start the caller has BRUNOX_TEST_PG_PORT and BRUNOX_TEST_PG_USER exported;
# testpg_stop is safe to call any number of times, also when the start failed half-way.

TESTPG_DIR=""
TESTPG_BIN=""

# The newest server installed; Debian 12 ships 15.
testpg_find_bin() {
  local dir
  dir="$(find /usr/lib/postgresql -mindepth 2 -maxdepth 2 -type d -name bin 2>/dev/null |
    sort -V | tail -n 1)"
  if [[ -z "$dir" || ! -x "$dir/initdb" || ! -x "$dir/pg_ctl" ]]; then
    echo "testpg: no PostgreSQL server found under /usr/lib/postgresql (package postgresql)" >&2
    return 1
  fi
  TESTPG_BIN="$dir"
}

# The server refuses to run as root, so root hands the cluster to the postgres account.
testpg_as_owner() {
  if [[ $EUID -eq 0 ]]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

testpg_port_busy() {
  if command -v ss >/dev/null 2>&1; then
    ss -Hltn "sport = :$1" 2>/dev/null | grep -q .
  else
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
  fi
}

TESTPG_PASSWORD_ROLE=brunox_pw
TESTPG_PASSWORD=brunox_pw_secret

testpg_create_password_role() {
  if ! "$TESTPG_BIN/psql" -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p "$1" -U postgres -d postgres \
    -c "CREATE ROLE $TESTPG_PASSWORD_ROLE LOGIN PASSWORD '$TESTPG_PASSWORD'" \
    >"$TESTPG_DIR/role.log" 2>&1; then
    echo "testpg: could not create the role $TESTPG_PASSWORD_ROLE:" >&2
    cat "$TESTPG_DIR/role.log" >&2
    return 1
  fi
}

testpg_start() {
  testpg_find_bin || return 1
  # Under /tmp rather than $TMPDIR: the postgres account must reach it when root starts the
  # cluster, and the socket path must stay short.
  TESTPG_DIR="$(mktemp -d /tmp/brunox-pg.XXXXXX)" || return 1
  if [[ $EUID -eq 0 ]]; then
    if ! id postgres >/dev/null 2>&1; then
      echo "testpg: running as root needs the postgres account (package postgresql)" >&2
      return 1
    fi
    chown postgres:postgres "$TESTPG_DIR"
  fi

  local data="$TESTPG_DIR/data"
  if ! testpg_as_owner "$TESTPG_BIN/initdb" -D "$data" -U postgres -A trust -E UTF8 \
    --locale=C --no-sync >"$TESTPG_DIR/initdb.log" 2>&1; then
    echo "testpg: initdb failed:" >&2
    cat "$TESTPG_DIR/initdb.log" >&2
    return 1
  fi
  # Only TCP on 127.0.0.1 is let in; the socket stays in the private folder and has no entry.
  # The first line that matches decides, so the password role's line comes before the trust one.
  testpg_as_owner tee "$data/pg_hba.conf" >/dev/null <<EOF
host all $TESTPG_PASSWORD_ROLE 127.0.0.1/32 scram-sha-256
host all all 127.0.0.1/32 trust
EOF
  # Durability buys nothing for a cluster that is deleted after the run.
  testpg_as_owner tee -a "$data/postgresql.conf" >/dev/null <<EOF
listen_addresses = '127.0.0.1'
unix_socket_directories = '$TESTPG_DIR'
fsync = off
synchronous_commit = off
full_page_writes = off
max_connections = 300
EOF

  # Another run may take a port between the probe and the start: then try the next one.
  local port
  for port in $(seq 54320 54399); do
    testpg_port_busy "$port" && continue
    if testpg_as_owner "$TESTPG_BIN/pg_ctl" -D "$data" -l "$TESTPG_DIR/server.log" -w -t 60 \
      -o "-p $port" start >/dev/null 2>&1; then
      testpg_create_password_role "$port" || return 1
      export BRUNOX_TEST_PG_PORT="$port"
      export BRUNOX_TEST_PG_USER=postgres
      echo "testpg: PostgreSQL $("$TESTPG_BIN/postgres" -V | awk '{print $3}') on 127.0.0.1:$port ($TESTPG_DIR)"
      return 0
    fi
    if ! grep -qi "could not bind\|address already in use\|could not create lock file" \
      "$TESTPG_DIR/server.log" 2>/dev/null; then
      break
    fi
  done
  echo "testpg: the server did not start:" >&2
  cat "$TESTPG_DIR/server.log" >&2 2>/dev/null
  return 1
}

testpg_stop() {
  [[ -n "$TESTPG_DIR" ]] || return 0
  local data="$TESTPG_DIR/data"
  if [[ -f "$data/postmaster.pid" ]]; then
    if ! testpg_as_owner "$TESTPG_BIN/pg_ctl" -D "$data" -m fast -w -t 30 stop >/dev/null 2>&1; then
      testpg_as_owner "$TESTPG_BIN/pg_ctl" -D "$data" -m immediate -w -t 30 stop >/dev/null 2>&1 || true
    fi
    # Last resort when pg_ctl could not stop it: the postmaster's pid is the file's first line.
    if [[ -f "$data/postmaster.pid" ]]; then
      local pid
      pid="$(head -n 1 "$data/postmaster.pid" 2>/dev/null || true)"
      if [[ "$pid" =~ ^[0-9]+$ ]] && kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid" 2>/dev/null || true
      fi
    fi
  fi
  rm -rf "$TESTPG_DIR"
  TESTPG_DIR=""
  unset BRUNOX_TEST_PG_PORT BRUNOX_TEST_PG_USER
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
  set -euo pipefail
  if [[ "${1:-}" != "run" || $# -lt 2 ]]; then
    echo "usage: $0 run COMMAND [ARGS...]" >&2
    exit 2
  fi
  shift
  trap testpg_stop EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  testpg_start
  export BRUNOX_TEST_PG_REQUIRED=1
  status=0
  "$@" || status=$?
  exit "$status"
fi
