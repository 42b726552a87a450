#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang into ${FUZZ_BUILD_DIR:-build-fuzz}
# and runs each for a bounded time: scripts/fuzz.sh [seconds-per-target] (default 60).
# Seeds come from fuzz/corpus/<target without _fuzz>/; what a run adds stays in the build
# directory. A crash stops the script with its reproducer left in the build directory.
# The seed is fixed (FUZZ_SEED, default 1) so that a bounded run explores the
# same inputs every time: CI stays repeatable. For an unbounded run of one
# target: see docs/fuzzing.md.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_PER_TARGET=${1:-60}
BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZEPH_FUZZ=ON -DBUILD_TESTING=OFF -DZEPH_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD_DIR" --target fuzz-targets -j "${JOBS:-2}"
for binary in "$BUILD_DIR"/fuzz/*_fuzz; do
  name=$(basename "$binary")
  corpus="$BUILD_DIR/corpus/$name"
  seeds="fuzz/corpus/${name%_fuzz}"
  mkdir -p "$corpus"
  echo "== $name: ${SECONDS_PER_TARGET} s"
  # Reproducers go beside the corpus; the final stats give the execution count.
  status=0
  (cd "$BUILD_DIR" && "./fuzz/$name" -max_total_time="$SECONDS_PER_TARGET" -seed="${FUZZ_SEED:-1}" -print_final_stats=1 \
    -timeout=10 -rss_limit_mb=1024 -artifact_prefix="$name-" \
    "corpus/$name" "$OLDPWD/$seeds") >"$BUILD_DIR/$name.out" 2>&1 || status=$?
  grep -E '^stat::(number_of_executed_units|new_units_added)' "$BUILD_DIR/$name.out" || true
  if [ "$status" -ne 0 ]; then
    tail -n 40 "$BUILD_DIR/$name.out" >&2
    echo "$name: failed (exit $status); reproducer and output in $BUILD_DIR" >&2
    exit 1
  fi
done
