#!/usr/bin/env bash
# brunox -c on SQLite, the embedded default: how a run scales with threads, what the statement
# log costs, and what ten thousand threads cost, optionally next to an earlier build in the same
# runs.
#
#   bench/load/compare_sqlite.sh [BUILD_DIR [BASELINE_BUILD_DIR]]   (default build/bench)
#
# Cases (each a project of one task, run mode 3, no delays, one connection per thread):
#   select1 1x400000, 8x50000      SELECT 1 on an in-memory database, without a statement log
#   select1+log 1x400000, 8x50000  the same with a statement log
#   insert 8x25000                 INSERT into a file database in WAL mode, synchronous off
#   threads 10240x1                10240 threads, one SELECT 1 each: time and peak memory
# SQLITE_RUNS sets the runs (default 3, interleaved; the tables show the median). Everything goes
# to BUILD_DIR/sqlite: projects, raw outputs, results.tsv with every run.
set -euo pipefail
export LC_ALL=C

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
BUILD_DIR="$(realpath -m "${1:-$ROOT/build/bench}")"
BASE_DIR="${2:+$(realpath -m "$2")}"
WORK="$BUILD_DIR/sqlite"
RUNS="${SQLITE_RUNS:-3}"

die() {
  echo "compare_sqlite: $*" >&2
  exit 1
}
log() { echo "compare_sqlite: $*"; }

# shellcheck source=project.sh
source "$ROOT/bench/load/project.sh"

BUILDS=(after)
declare -A PROGRAM=([after]="$BUILD_DIR/brunox/brunox")
if [[ -n "$BASE_DIR" ]]; then
  BUILDS=(before after)
  PROGRAM[before]="$BASE_DIR/brunox/brunox"
fi
for b in "${BUILDS[@]}"; do
  [[ -x "${PROGRAM[$b]}" ]] || die "${PROGRAM[$b]} is not built (cmake --build ... --target brunox)"
done
[[ "$RUNS" =~ ^[1-9][0-9]*$ ]] || die "SQLITE_RUNS must be a whole number from 1, not '$RUNS'"
[[ -x /usr/bin/time ]] || die "GNU time is needed for the peak memory (Debian: time)"

sqlite_driver=""
for f in /usr/lib/*/odbc/libsqlite3odbc.so; do
  [[ -f "$f" ]] && sqlite_driver="$f" && break
done
[[ -n "$sqlite_driver" ]] || die "SQLite3 ODBC driver not found (Debian: libsqliteodbc)"

rm -rf "$WORK"
mkdir -p "$WORK/odbc" "$WORK/config" "$WORK/state" "$WORK/out"
printf '[SQLite3]\nDescription=SQLite3 ODBC Driver\nDriver=%s\nUsageCount=1\n' "$sqlite_driver" \
  >"$WORK/odbc/odbcinst.ini"
: >"$WORK/odbc/odbc.ini"
export ODBCSYSINI="$WORK/odbc" ODBCINI="$WORK/odbc/odbc.ini"
export BRUNOX_CONFIG_DIR="$WORK/config" XDG_STATE_HOME="$WORK/state"

MEMORY="Driver=SQLite3;Database=:memory:"
FILE_DB="$WORK/insert.sqlite"
# The driver waits up to Timeout ms for the write lock the inserting threads take in turn.
FILE_CONN="Driver=SQLite3;Database=$FILE_DB;JournalMode=WAL;SyncPragma=off;Timeout=100000"

write_project "$WORK/select1-1.bxp" 1 400000 "$MEMORY" "SELECT 1"
write_project "$WORK/select1-8.bxp" 8 50000 "$MEMORY" "SELECT 1"
write_project "$WORK/select1-log-1.bxp" 1 400000 "$MEMORY" "SELECT 1" "$WORK/out/statements.txt"
write_project "$WORK/select1-log-8.bxp" 8 50000 "$MEMORY" "SELECT 1" "$WORK/out/statements.txt"
write_project "$WORK/insert-8.bxp" 8 25000 "$FILE_CONN" \
  "INSERT INTO t (a, b) VALUES (42, 'some text of a row')" "" \
  "CREATE TABLE IF NOT EXISTS t (id INTEGER PRIMARY KEY, a INTEGER, b TEXT)"
write_project "$WORK/threads-10240.bxp" 10240 1 "$MEMORY" "SELECT 1"

CASES=(select1:1 select1:8 select1+log:1 select1+log:8 insert:8 threads:10240)
declare -A PROJECT=(
  [select1:1]=select1-1 [select1:8]=select1-8 [select1+log:1]=select1-log-1
  [select1+log:8]=select1-log-8 [insert:8]=insert-8 [threads:10240]=threads-10240)

RESULTS="$WORK/results.tsv"
: >"$RESULTS"

# run_case BUILD CASE: one run; a line of results.tsv: build, case, executions, own seconds (the
# run's clock), wall seconds, processor seconds (user + system), peak resident KiB.
run_case() {
  local build="$1" case="$2" out="$WORK/out/$1-${2//[:+]/-}.txt" times="$WORK/out/times"
  local status=0 own wall user sys peak
  rm -f "$FILE_DB" "$FILE_DB-wal" "$FILE_DB-shm" "$WORK/out/statements.txt"
  /usr/bin/time -f '%e %U %S %M' -o "$times" "${PROGRAM[$build]}" -c "$WORK/${PROJECT[$case]}.bxp" \
    >"$out" 2>&1 || status=$?
  ((status == 0)) || { cat "$out" >&2; die "$build brunox failed on $case (status $status)"; }
  own="$(summary_seconds "$out")" || { cat "$out" >&2; die "cannot read the summary of $case"; }
  read -r wall user sys peak < <(tail -n 1 "$times")
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$build" "$case" "$(summary_executions "$out")" "$own" \
    "$wall" "$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" "$peak" >>"$RESULTS"
  printf '  %-6s %-15s own %8.3f s  wall %8.3f s  cpu %8.2f s  peak %8d KiB\n' "$build" "$case" \
    "$own" "$wall" "$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" "$peak"
}

# median BUILD CASE COLUMN (the lower middle one for an even count)
median() {
  awk -F '\t' -v b="$1" -v c="$2" -v k="$3" '$1 == b && $2 == c { print $k }' "$RESULTS" |
    sort -g | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'
}
rate() { awk -v n="$(median "$1" "$2" 3)" -v s="$(median "$1" "$2" 4)" 'BEGIN { print n / s }'; }

log "$(nproc) processors, load average $(cut -d ' ' -f 1-3 /proc/loadavg) before the runs"
for ((run = 1; run <= RUNS; ++run)); do
  log "run $run of $RUNS"
  for case in "${CASES[@]}"; do
    for build in "${BUILDS[@]}"; do run_case "$build" "$case"; done
  done
done
log "load average $(cut -d ' ' -f 1-3 /proc/loadavg) after the runs"

echo
printf 'Median of %s runs. stmt/s by the run'"'"'s own clock; cpu: user + system time of the process\n' "$RUNS"
printf 'per statement; wall and peak resident memory of the whole process.\n\n'
printf '%-7s %-15s %11s %9s %9s %11s\n' build case 'stmt/s' 'cpu us' 'wall s' 'peak KiB'
for case in "${CASES[@]}"; do
  for build in "${BUILDS[@]}"; do
    awk -v b="$build" -v c="$case" -v r="$(rate "$build" "$case")" -v n="$(median "$build" "$case" 3)" \
      -v cpu="$(median "$build" "$case" 6)" -v w="$(median "$build" "$case" 5)" \
      -v p="$(median "$build" "$case" 7)" 'BEGIN {
        printf "%-7s %-15s %11.0f %9.2f %9.3f %11d\n", b, c, r, cpu * 1e6 / n, w, p
      }'
  done
done
echo
for build in "${BUILDS[@]}"; do
  awk -v b="$build" -v one="$(rate "$build" select1:1)" -v eight="$(rate "$build" select1:8)" \
    -v logged="$(rate "$build" select1+log:8)" -v logged1="$(rate "$build" select1+log:1)" 'BEGIN {
      printf "%s: 8 threads / 1 thread %.2f (with the log %.2f); 8 threads with the log / without %.2f\n",
        b, eight / one, logged / logged1, logged / eight
    }'
done
for build in "${BUILDS[@]}"; do
  awk -v b="$build" -v many="$(median "$build" threads:10240 7)" -v one="$(median "$build" select1:1 7)" \
    'BEGIN { printf "%s: peak memory per thread of the 10240-thread run, beyond a 1-thread run: %.1f KiB\n", b, (many - one) / 10239 }'
done
if [[ -n "$BASE_DIR" ]]; then
  for case in "${CASES[@]}"; do
    awk -v c="$case" -v a="$(rate after "$case")" -v b="$(rate before "$case")" \
      -v wa="$(median after "$case" 5)" -v wb="$(median before "$case" 5)" \
      -v pa="$(median after "$case" 7)" -v pb="$(median before "$case" 7)" 'BEGIN {
        printf "after / before, %-15s stmt/s %.2f  wall %.2f  peak memory %.2f\n", c, a / b, wa / wb, pa / pb
      }'
  done
fi
echo
log "raw outputs in $WORK/out, all runs in $RESULTS"
