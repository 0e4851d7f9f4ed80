#!/usr/bin/env bash
# The database server goes away in the middle of a console run: brunox must end by itself, say
# that threads failed, and leave a statement log whose every line is whole.
#
#   server_loss_test.sh BRUNOX_EXECUTABLE
#
# Starts its own throwaway PostgreSQL cluster (tools/testpg.sh) with its own ODBC set-up, settings
# and log folders, so it depends on no other test and no fixed port. Exit 77: skipped (no server
# or no PostgreSQL ODBC driver on this machine).
set -uo pipefail

exe="${1:?usage: $0 BRUNOX_EXECUTABLE}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=../../tools/testpg.sh
source "$here/../../tools/testpg.sh"

fail() {
  echo "server_loss_test: FAIL: $*" >&2
  exit 1
}

driver="$(find /usr/lib/*/odbc /usr/lib/odbc -maxdepth 1 -name psqlodbcw.so 2>/dev/null | head -n 1)"
if [[ -z "$driver" ]]; then
  echo "server_loss_test: SKIP: no PostgreSQL ODBC driver (psqlodbcw.so)"
  exit 77
fi
if ! testpg_find_bin 2>/dev/null; then
  echo "server_loss_test: SKIP: no PostgreSQL server installed"
  exit 77
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/brunox-server-loss.XXXXXX")" || fail "no temporary folder"
brunox_pid=""
cleanup() {
  if [[ -n "$brunox_pid" ]] && kill -0 "$brunox_pid" 2>/dev/null; then
    kill -KILL "$brunox_pid" 2>/dev/null
    wait "$brunox_pid" 2>/dev/null
  fi
  testpg_stop
  rm -rf "$work"
}
trap cleanup EXIT

testpg_start || fail "the PostgreSQL test server did not start"

mkdir -p "$work/odbc" "$work/config" "$work/state"
printf '[PostgreSQL Unicode]\nDescription=PostgreSQL ODBC driver (Unicode)\nDriver=%s\nUsageCount=1\n' \
  "$driver" >"$work/odbc/odbcinst.ini"
: >"$work/odbc/odbc.ini"

log="$work/statements.txt"
# 50 threads of a short statement under a time rule far longer than the test: only the loss of
# the server can end this run.
cat >"$work/project.bxp" <<EOF
[Package]
DoType=2
Seconds=600
SQLFile=$log
Tasks=1

[Task0]
Name=Sleepers
SQL=select pg_sleep(0.01)
Threads=50
ExecCntr=0
Rows=0
AllRows=1
Delay=0
DelayMax=0
SQLDelay=0
Priority=1
TDU=0
isActive=1
UseParser=0
UseFileSQL=0
DefConnect=1
ParamType=0
AsTransaction=0
TaskGroup=0
Params=0

[DefConnection]
Kind=1
ConnString=Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=$BRUNOX_TEST_PG_PORT;Database=postgres;Uid=postgres
ManualCommit=0
DsType=0
EOF

env ODBCSYSINI="$work/odbc" ODBCINI="$work/odbc/odbc.ini" BRUNOX_CONFIG_DIR="$work/config" \
  XDG_STATE_HOME="$work/state" "$exe" -c "$work/project.bxp" >"$work/out.txt" 2>&1 &
brunox_pid=$!

# The server goes once the load is under way: statements are being logged. A fixed wait would let a
# busy machine stop the server before brunox had even connected.
started_at=$SECONDS
while (($(stat -c %s "$log" 2>/dev/null || echo 0) < 8192)); do
  kill -0 "$brunox_pid" 2>/dev/null || { cat "$work/out.txt" >&2; fail "brunox ended before the server went away"; }
  ((SECONDS - started_at <= 60)) || { cat "$work/out.txt" >&2; fail "no statement was logged within 60 s"; }
  sleep 0.2
done
testpg_as_owner "$TESTPG_BIN/pg_ctl" -D "$TESTPG_DIR/data" -m immediate -w -t 30 stop >/dev/null 2>&1 ||
  fail "could not stop the server"
stopped_at=$SECONDS

status=""
while ((SECONDS - stopped_at <= 35)); do
  if ! kill -0 "$brunox_pid" 2>/dev/null; then
    wait "$brunox_pid"
    status=$?
    brunox_pid=""
    break
  fi
  sleep 0.2
done
echo "--- brunox output"
cat "$work/out.txt"
[[ -n "$status" ]] || fail "brunox was still running 35 s after the server went away"
echo "brunox ended $((SECONDS - stopped_at)) s after the server went away, exit status $status"
[[ "$status" == 2 ]] || fail "exit status $status, expected 2 (threads failed)"

[[ -s "$log" ]] || fail "no statement log"
iconv -f UTF-16LE -t UTF-8 "$log" >"$work/statements.utf8" || fail "the statement log is not UTF-16LE"
# Every line after the header: 8 tab-separated fields. Prints "<statements> <broken lines>".
read -r statements bad < <(awk -F'\t' '
  { sub(/\r$/, "") }
  NR > 1 { n++; if (NF != 8) { bad++; if (bad <= 5) printf "broken line (%d fields): %s\n", NF, $0 > "/dev/stderr" } }
  END { print n + 0, bad + 0 }' "$work/statements.utf8")
((statements > 0)) || fail "the statement log holds no statement"
((bad == 0)) || fail "$bad of $statements statement log lines do not have 8 fields"
echo "server_loss_test: PASS ($statements statements logged)"
