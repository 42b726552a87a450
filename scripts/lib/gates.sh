# shellcheck shell=bash
# Sourced by scripts/ci.sh: running the gates and keeping their outcomes.
#   gate NAME COMMAND...    runs one gate, prints its name, outcome and time,
#                           and records them; a failure sets FAILED=1.
#   skip NAME REASON        a gate not run because one it stands on failed:
#                           that fails CI too.
#   machine_gate NAME PROBE COMMAND...
#                           a gate that needs what not every machine has:
#                           PROBE (a program printing one line) says whether
#                           this one has it. Where it has not, the gate is
#                           skipped with PROBE's line and CI does not fail;
#                           where it has, it is a gate like any other. A
#                           probe that cannot find out fails the gate.
SUMMARY=()
FAILED=0

gate() {
  local name=$1
  shift
  echo "=== gate: $name"
  local start=$SECONDS status=ok
  "$@" || status=FAILED
  local took=$((SECONDS - start))
  echo "=== gate: $name: $status in ${took}s"
  SUMMARY+=("$(printf '%-14s %-7s %5ss' "$name" "$status" "$took")")
  if [ "$status" != ok ]; then
    FAILED=1
    return 1
  fi
}

skip() {
  echo "=== gate: $1: skipped ($2)"
  SUMMARY+=("$(printf '%-14s %-7s %s' "$1" skipped "$2")")
  FAILED=1
}

machine_gate() {
  local name=$1 probe=$2 found status=0
  shift 2
  found=$("$probe") || status=$?
  case $status in
    0) gate "$name" "$@" ;;
    1)
      echo "=== gate: $name: skipped: $found"
      SUMMARY+=("$(printf '%-14s %-7s %s' "$name" skipped "$found")")
      ;;
    *) gate "$name" false ;;
  esac
}
