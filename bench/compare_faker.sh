#!/usr/bin/env bash
# The engine side by side with a well-known JavaScript fake-data library, on this machine, in one
# run: single-thread values per second for the same value shapes, and their ratio.
#
#   bench/compare_faker.sh [BUILD_DIR]     (default build/bench; value_bench must be built there)
#
# The library is installed with npm into BUILD_DIR/faker at a pinned version, never globally; a
# later run reuses it. FAKER_COUNT sets the number of values per shape (default 2000000).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="$(realpath -m "${1:-$ROOT/build/bench}")"
FAKER_VERSION=9.9.0
COUNT="${FAKER_COUNT:-2000000}"
BENCH="$BUILD_DIR/bench/value_bench"
SCRATCH="$BUILD_DIR/faker"

die() {
  echo "compare_faker: $*" >&2
  exit 1
}

[[ -x "$BENCH" ]] || die "$BENCH is not built (cmake --build $BUILD_DIR --target value_bench)"
command -v node >/dev/null 2>&1 || die "node is needed for the comparison (Debian: apt-get install nodejs npm)"
command -v npm >/dev/null 2>&1 || die "npm is needed for the comparison (Debian: apt-get install npm)"

installed_version() {
  node -p "require('$SCRATCH/node_modules/@faker-js/faker/package.json').version" 2>/dev/null || true
}

if [[ "$(installed_version)" != "$FAKER_VERSION" ]]; then
  echo "compare_faker: installing @faker-js/faker $FAKER_VERSION into $SCRATCH"
  mkdir -p "$SCRATCH"
  printf '{\n  "private": true,\n  "dependencies": { "@faker-js/faker": "%s" }\n}\n' \
    "$FAKER_VERSION" >"$SCRATCH/package.json"
  (cd "$SCRATCH" && npm install --no-audit --no-fund --loglevel=error) ||
    die "npm install failed (is the npm registry reachable?)"
  [[ "$(installed_version)" == "$FAKER_VERSION" ]] || die "npm did not install $FAKER_VERSION"
fi

results="$SCRATCH/value_bench.json"
echo "compare_faker: measuring the engine (value_bench, one thread)"
"$BENCH" --benchmark_filter='^by_(handle|text)/[a-z0-9]+/real_time/threads:1$' \
  --benchmark_min_time=0.2 --benchmark_format=json >"$results"
echo "compare_faker: measuring faker ($COUNT values per shape)"
echo
node "$ROOT/bench/faker_values.mjs" --faker-dir "$SCRATCH" --brunox "$results" --count "$COUNT"
