#!/usr/bin/env bash
# Runs the `windows e2e` gate (scripts/windows-e2e.sh) RUNS times in a row
# (5 by default) while a second Wine prefix keeps the machine busy, and ends
# with a line per run and the count that passed. The gate must pass every
# time: a test that fails only when the machine is loaded is a defect.
#   scripts/windows-e2e-under-load.sh [RUNS]
# The load: the Windows build's unit and platform tests and two black-box
# files, run through ctest again and again, one at a time, in a prefix and
# under a wineserver of their own (build-windows/load/). Each gate run's
# output is kept in build-windows/load/run-N.log; the load's in
# build-windows/load/load.log.
set -uo pipefail
cd "$(dirname "$0")/.."
RUNS=${1:-5}
BUILD=$PWD/build-windows
LOAD=$BUILD/load
[ -f "$BUILD/zephautomat.exe" ] ||
  { echo "windows-e2e-under-load.sh: no $BUILD/zephautomat.exe; run scripts/build-windows.sh first" >&2; exit 1; }

# The load's own test tree: the build's test lists (their commands name the
# build's programs by full path), so that its ctest keeps its records apart
# from the gate's.
rm -rf "$LOAD" && mkdir -p "$LOAD"
(cd "$BUILD" && find . -name CTestTestfile.cmake -not -path './load/*' -not -path './curl/*' \
  -exec install -D -m 644 {} "$LOAD/{}" \;)

load() {
  # A subshell with an environment of its own: another prefix, its own
  # wineserver, and no share in the gate's Wine session.
  unset ZEPH_WINE_SESSION
  export WINEPREFIX=$LOAD/wine
  . scripts/lib/wine-session.sh
  wine_session "$BUILD"
  while :; do
    ctest --test-dir "$LOAD" -j 1 \
      -R '^(unit_tests|platform_tests|e2e\.test_single_call_tasks|e2e\.test_mail)$' || true
  done
}
# The load runs in a process group of its own, so that it can be stopped
# whole.
set -m
load >"$LOAD/load.log" 2>&1 &
load_pid=$!
stop_load() {
  kill -- -"$load_pid" 2>/dev/null || kill "$load_pid" 2>/dev/null
  WINEPREFIX=$LOAD/wine wineserver -k 2>/dev/null || true
}
trap stop_load EXIT
kill -0 "$load_pid" 2>/dev/null || { echo "the load did not start" >&2; exit 1; }

passed=0
results=()
for run in $(seq 1 "$RUNS"); do
  start=$SECONDS
  log=$LOAD/run-$run.log
  echo "=== run $run of $RUNS ($(date +%T), load average $(cut -d' ' -f1-3 /proc/loadavg))"
  if scripts/windows-e2e.sh >"$log" 2>&1; then
    outcome=passed
    passed=$((passed + 1))
  else
    outcome="FAILED: $(grep -E '^[0-9]+ - |FAILED|Hung' "$log" | head -5 | tr '\n' ' ')"
  fi
  results+=("run $run: $outcome in $((SECONDS - start)) s (log: $log)")
  echo "${results[-1]}"
done
echo "=== $passed of $RUNS runs of the windows e2e gate passed under load"
printf '%s\n' "${results[@]}"
[ "$passed" -eq "$RUNS" ]
