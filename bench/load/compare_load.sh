#!/usr/bin/env bash
# The load-test program (in console mode and in its window, offscreen) side by side with pgbench
# and with a bare ODBC loop, all running
# "SELECT 1" on the same PostgreSQL server with the same clients and the same executions per
# client, so that the figures show what a run costs beyond the driver and the server.
#
#   bench/load/compare_load.sh [BUILD_DIR]     (default build/bench; brunox and odbc_loop built)
#
# Uses the server of BRUNOX_TEST_PG_PORT (user BRUNOX_TEST_PG_USER, default postgres) when set,
# else starts a throwaway one with tools/testpg.sh. LOAD_CASES sets the client counts and
# executions per client (default "8:40000 64:5000": 320000 statements in both, a second or two
# per run, long enough that start-up and connecting do not swamp the rate), LOAD_RUNS the runs of
# each (default 3; the table shows the median). Everything it writes goes to BUILD_DIR/load.
#
# Two figures per tool, because the tools keep different clocks:
# - own: the tool's own account. pgbench: its tps "without initial connection time". odbc_loop:
#   from its start gate, after every client connected, to the last client's end. brunox: the
#   run's clock of its console summary, which starts before the workers connect (they connect one
#   after the other) and ends after the last has disconnected, so connecting is inside.
# - wall: the whole process from start to exit, connections, start-up and shut-down included.
# And the client's processor time (user + system of the tool's process, the whole process) per
# statement: less disturbed by other work on the machine than the rates, and it is what the client
# takes away from the server when both share the processors.
set -euo pipefail
export LC_ALL=C

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
BUILD_DIR="$(realpath -m "${1:-$ROOT/build/bench}")"
BRUNOX="$BUILD_DIR/brunox/brunox"
LOOP="$BUILD_DIR/bench/load/odbc_loop"
WORK="$BUILD_DIR/load"
CASES="${LOAD_CASES:-8:40000 64:5000}"
# LOAD_BASELINE: the build folder of an earlier version; its brunox runs next to this one, in the
# same runs, as "before ..." rows.
BASELINE="${LOAD_BASELINE:+$(realpath -m "$LOAD_BASELINE")/brunox/brunox}"
RUNS="${LOAD_RUNS:-3}"

die() {
  echo "compare_load: $*" >&2
  exit 1
}
log() { echo "compare_load: $*"; }

[[ -x "$BRUNOX" ]] || die "$BRUNOX is not built (cmake --build $BUILD_DIR --target brunox)"
[[ -z "$BASELINE" || -x "$BASELINE" ]] || die "LOAD_BASELINE has no brunox: $BASELINE is not built"
[[ -x "$LOOP" ]] || die "$LOOP is not built (cmake --build $BUILD_DIR --target odbc_loop)"
[[ "$RUNS" =~ ^[1-9][0-9]*$ ]] || die "LOAD_RUNS must be a whole number from 1, not '$RUNS'"
for c in $CASES; do
  [[ "$c" =~ ^[1-9][0-9]*:[1-9][0-9]*$ ]] || die "LOAD_CASES takes CLIENTS:EXECUTIONS pairs, not '$c'"
done

# shellcheck source=../../tools/testpg.sh
source "$ROOT/tools/testpg.sh"
# shellcheck source=project.sh
source "$ROOT/bench/load/project.sh"

# pgbench of the server's own version; the one on PATH may be a wrapper that wants a cluster.
PGBENCH=""
if testpg_find_bin 2>/dev/null && [[ -x "$TESTPG_BIN/pgbench" ]]; then
  PGBENCH="$TESTPG_BIN/pgbench"
elif command -v pgbench >/dev/null 2>&1; then
  PGBENCH="$(command -v pgbench)"
fi
[[ -n "$PGBENCH" ]] || die "pgbench not found (Debian: postgresql)"

pg_driver=""
for f in /usr/lib/*/odbc/psqlodbcw.so; do
  [[ -f "$f" ]] && pg_driver="$f" && break
done
[[ -n "$pg_driver" ]] || die "PostgreSQL ODBC driver not found (Debian: odbc-postgresql)"

if [[ -z "${BRUNOX_TEST_PG_PORT:-}" ]]; then
  trap testpg_stop EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  testpg_start || die "could not start a PostgreSQL server"
fi
PORT="$BRUNOX_TEST_PG_PORT"
PGUSER_NAME="${BRUNOX_TEST_PG_USER:-postgres}"
CONN="Driver=PostgreSQL Unicode;Server=127.0.0.1;Port=$PORT;Database=postgres;Uid=$PGUSER_NAME;Pwd=;"

# A private driver list and no DSNs, as ./dev demo has; fresh settings, so no stored setting of
# the user's (a log level, a statement log) changes what brunox does per statement.
rm -rf "$WORK"
mkdir -p "$WORK/odbc" "$WORK/config" "$WORK/state" "$WORK/out"
printf '[PostgreSQL Unicode]\nDescription=PostgreSQL ODBC driver (Unicode)\nDriver=%s\nUsageCount=1\n' \
  "$pg_driver" >"$WORK/odbc/odbcinst.ini"
: >"$WORK/odbc/odbc.ini"
export ODBCSYSINI="$WORK/odbc" ODBCINI="$WORK/odbc/odbc.ini"
export BRUNOX_CONFIG_DIR="$WORK/config" XDG_STATE_HOME="$WORK/state"
printf 'SELECT 1;\n' >"$WORK/select1.sql"

RESULTS="$WORK/results.tsv"
: >"$RESULTS"

# record TOOL CLIENTS EACH EXECUTIONS OWN_SECONDS: with WALL and CPU of the last timed run. A
# tool that did not run every execution (pgbench counts failed transactions out, brunox stops a
# failing thread) is not compared.
record() {
  local tool="$1" clients="$2" each="$3" executions="$4" own="$5" cpu_us
  if ((executions != clients * each)); then
    die "$tool ran $executions executions, not $clients x $each (see $WORK/out)"
  fi
  cpu_us="$(awk -v c="$CPU" -v n="$executions" 'BEGIN { printf "%.2f", c * 1e6 / n }')"
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$tool" "$clients" "$each" "$executions" "$own" \
    "$WALL" "$cpu_us" >>"$RESULTS"
  printf '  %-16s %3s clients  %7s executions  own %8.3f s  wall %8.3f s  cpu %6.2f us/stmt\n' \
    "$tool" "$clients" "$executions" "$own" "$WALL" "$cpu_us"
}

# timed OUT COMMAND...: runs COMMAND with its output in OUT; sets WALL (seconds) and CPU (user +
# system seconds of the process and its children). Fails as COMMAND fails.
timed() {
  local out="$1" times="$WORK/out/times" status=0 user sys TIMEFORMAT='%3R %3U %3S'
  shift
  { time "$@" >"$out" 2>&1 || status=$?; } 2>"$times"
  read -r WALL user sys <"$times"
  CPU="$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.3f", u + s }')"
  return "$status"
}

# run_pgbench CLIENTS EXECUTIONS
run_pgbench() {
  local c="$1" m="$2" out="$WORK/out/pgbench-$1x$2.txt" done_count tps
  timed "$out" "$PGBENCH" -n -M simple -c "$c" -j "$c" -t "$m" -f "$WORK/select1.sql" \
    -h 127.0.0.1 -p "$PORT" -U "$PGUSER_NAME" postgres ||
    { cat "$out" >&2; die "pgbench failed"; }
  done_count="$(sed -n 's/^number of transactions actually processed: \([0-9]*\).*/\1/p' "$out")"
  tps="$(sed -n 's/^tps = \([0-9.]*\) (without initial connection time).*/\1/p' "$out")"
  [[ -n "$done_count" && -n "$tps" ]] || { cat "$out" >&2; die "cannot read pgbench's result"; }
  record pgbench "$c" "$m" "$done_count" "$(awk -v n="$done_count" -v r="$tps" 'BEGIN { printf "%.6f", n / r }')"
}

# run_brunox CLIENTS EXECUTIONS: one task of CLIENTS threads, each running SELECT 1 EXECUTIONS
# times, with no statement log.
run_brunox() {
  local c="$1" m="$2" project="$WORK/select1-$1x$2.bxp" out="$WORK/out/brunox-$1x$2.txt" own
  [[ -f "$project" ]] || write_project "$project" "$c" "$m" "$CONN" "SELECT 1"
  # Exit status 2: threads failed or could not connect.
  timed "$out" "$BIN" -c "$project" || { cat "$out" >&2; die "brunox failed"; }
  own="$(summary_seconds "$out")" || { cat "$out" >&2; die "cannot read brunox's summary"; }
  record "${TAG}brunox" "$c" "$m" "$(summary_executions "$out")" "$own"
}

# logged_project CLIENTS EXECUTIONS: the project with an executed-statement log. A run in the
# window always writes one (a temporary file when the project names none), so the window is
# compared with a console run that writes the same log.
logged_project() {
  local project="$WORK/select1-log-$1x$2.bxp"
  [[ -f "$project" ]] ||
    write_project "$project" "$1" "$2" "$CONN" "SELECT 1" "$WORK/out/statements-$1x$2.txt"
  echo "$project"
}

# run_brunox_logged CLIENTS EXECUTIONS: brunox -c with the statement log, read like run_brunox.
run_brunox_logged() {
  local c="$1" m="$2" project out="$WORK/out/brunox-log-$1x$2.txt" own
  project="$(logged_project "$c" "$m")"
  timed "$out" "$BIN" -c "$project" || { cat "$out" >&2; die "brunox failed"; }
  own="$(summary_seconds "$out")" || { cat "$out" >&2; die "cannot read brunox's summary"; }
  record "${TAG}brunox -c log" "$c" "$m" "$(summary_executions "$out")" "$own"
}

# run_brunox_window CLIENTS EXECUTIONS: the logged project run in the window (offscreen, -r -q).
# The window prints no summary, so both of its figures are the whole process; exit status 0
# means every thread ran all its executions (run mode 3), as brunox -c's summary would say.
run_brunox_window() {
  local c="$1" m="$2" project out="$WORK/out/brunox-window-$1x$2.txt"
  project="$(logged_project "$c" "$m")"
  QT_QPA_PLATFORM=offscreen timed "$out" "$BIN" -r -q "-@$project" "$project" ||
    { cat "$out" >&2; die "brunox -r -q failed"; }
  record "${TAG}brunox window" "$c" "$m" "$((c * m))" "$WALL"
}

# run_loop NAME CLIENTS EXECUTIONS [--raw]
run_loop() {
  local name="$1" c="$2" m="$3" out="$WORK/out/${1// /}-$2x$3.txt" executions seconds
  shift 3
  timed "$out" "$LOOP" "$@" "$c" "$m" "$CONN" || { cat "$out" >&2; die "odbc_loop failed"; }
  executions="$(sed -n 's/.* executions=\([0-9]*\) .*/\1/p' "$out")"
  seconds="$(sed -n 's/.* seconds=\([0-9.]*\) .*/\1/p' "$out")"
  [[ -n "$executions" && -n "$seconds" ]] || { cat "$out" >&2; die "cannot read odbc_loop's result"; }
  record "$name" "$c" "$m" "$executions" "$seconds"
}

TOOLS=(pgbench brunox "brunox -c log" "brunox window" odbc_loop "odbc_loop --raw")
[[ -z "$BASELINE" ]] || TOOLS+=("before brunox" "before brunox -c log" "before brunox window")
# The brunox program the run_brunox* functions run, and the prefix of their rows.
BIN="$BRUNOX"
TAG=""
log "PostgreSQL on 127.0.0.1:$PORT, $("$PGBENCH" --version), driver $pg_driver"
log "cases (clients:executions per client): $CASES; $RUNS runs each, interleaved"
for ((run = 1; run <= RUNS; ++run)); do
  log "run $run of $RUNS"
  for case in $CASES; do
    clients="${case%%:*}"
    each="${case##*:}"
    run_pgbench "$clients" "$each"
    run_brunox "$clients" "$each"
    run_brunox_logged "$clients" "$each"
    run_brunox_window "$clients" "$each"
    if [[ -n "$BASELINE" ]]; then
      BIN="$BASELINE" TAG="before "
      run_brunox "$clients" "$each"
      run_brunox_logged "$clients" "$each"
      run_brunox_window "$clients" "$each"
      BIN="$BRUNOX" TAG=""
    fi
    run_loop odbc_loop "$clients" "$each"
    run_loop "odbc_loop --raw" "$clients" "$each" --raw
  done
done

# median TOOL CLIENTS EACH COLUMN: the median of a column of results.tsv over the runs (the lower
# middle one for an even count).
median() {
  awk -F '\t' -v t="$1" -v c="$2" -v m="$3" -v k="$4" '$1 == t && $2 == c && $3 == m { print $k }' \
    "$RESULTS" |
    sort -g | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'
}

echo
printf 'Median of %s runs. own: the tool'"'"'s own clock (brunox: connects inside, see the script\n' "$RUNS"
printf 'header); wall: the whole process; ratio: statements/s divided by pgbench'"'"'s; cpu: user +\n'
printf 'system time of the client process per statement, in microseconds.\n\n'
printf '%-16s %7s %10s %9s %11s %6s %9s %11s %6s %8s\n' tool clients executions 'own s' \
  'own stmt/s' ratio 'wall s' 'wall stmt/s' ratio 'cpu us'
for case in $CASES; do
  clients="${case%%:*}"
  each="${case##*:}"
  base_own=""
  base_wall=""
  for tool in "${TOOLS[@]}"; do
    executions="$(median "$tool" "$clients" "$each" 4)"
    own="$(median "$tool" "$clients" "$each" 5)"
    wall="$(median "$tool" "$clients" "$each" 6)"
    cpu="$(median "$tool" "$clients" "$each" 7)"
    if [[ "$tool" == pgbench ]]; then
      base_own="$(awk -v n="$executions" -v s="$own" 'BEGIN { printf "%.6f", n / s }')"
      base_wall="$(awk -v n="$executions" -v s="$wall" 'BEGIN { printf "%.6f", n / s }')"
    fi
    awk -v t="$tool" -v c="$clients" -v n="$executions" -v o="$own" -v w="$wall" -v u="$cpu" \
      -v bo="$base_own" -v bw="$base_wall" 'BEGIN {
        printf "%-16s %7d %10d %9.3f %11.0f %6.2f %9.3f %11.0f %6.2f %8.2f\n",
          t, c, n, o, n / o, n / o / bo, w, n / w, n / w / bw, u
      }'
  done
done
echo
for case in $CASES; do
  clients="${case%%:*}"
  each="${case##*:}"
  awk -v c="$clients" -v wc="$(median "brunox -c log" "$clients" "$each" 6)" \
    -v ww="$(median "brunox window" "$clients" "$each" 6)" 'BEGIN {
      printf "window run / console run, both writing the statement log, %d clients: %.2f (whole process)\n",
        c, wc / ww
    }'
  for tag in "" "before "; do
    [[ -z "$tag" || -n "$BASELINE" ]] || continue
    awk -v t="$tag" -v c="$clients" -v plain="$(median "${tag}brunox" "$clients" "$each" 5)" \
      -v logged="$(median "${tag}brunox -c log" "$clients" "$each" 5)" \
      -v plainwall="$(median "${tag}brunox" "$clients" "$each" 6)" \
      -v window="$(median "${tag}brunox window" "$clients" "$each" 6)" 'BEGIN {
        printf "%sbrunox, %d clients: with a log / without %.2f (own clock); window / console without a log %.2f (whole process)\n",
          t, c, plain / logged, plainwall / window
      }'
  done
done
echo
log "raw outputs in $WORK/out, all runs in $RESULTS"
