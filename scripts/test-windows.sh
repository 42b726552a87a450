#!/usr/bin/env bash
# Runs the tests of the Windows build (scripts/build-windows.sh) under Wine:
# the unit tests, one Wine process per test binary; the black-box suite
# against zephautomat.exe with components.ini naming merkan-sim.dll and mail
# to servers on 127.0.0.1; and the host's calls through COM
# (scripts/test-com.sh). The same demo run by the Linux build (built here
# into ${BUILD_DIR:-build} when needed) and by this one must give the same
# bytes (tests/e2e/test_same_run_on_linux_and_windows.py). Wine gets a
# prefix of its own in the build tree (made at the first run) and one
# wineserver kept running for the whole run, so that each program starts in
# a second rather than in several.
# Arguments go to ctest (e.g. -R e2e.test_mail).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=$(realpath "${WIN_BUILD_DIR:-build-windows}")
[ -f "$BUILD/zephautomat.exe" ] ||
  { echo "test-windows.sh: no $BUILD/zephautomat.exe; run scripts/build-windows.sh first" >&2; exit 1; }

# The Linux program and simulator the comparison runs beside this build.
LINUX_BUILD=${BUILD_DIR:-build}
case $LINUX_BUILD in /*) ;; *) LINUX_BUILD=$PWD/$LINUX_BUILD ;; esac
BUILD_DIR=$LINUX_BUILD scripts/build.sh zephautomat merkan-sim >/dev/null
export ZEPH_LINUX_BIN=$LINUX_BUILD/zephautomat ZEPH_LINUX_SIM=$LINUX_BUILD/libmerkan-sim.so

# The programs run as on a Polish Windows (code page 1250): the toolchain
# file's command for them sets the locale.
export WINEPREFIX=$BUILD/wine WINEARCH=win64 WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Wine prefix: $WINEPREFIX"
  wineboot -i >/dev/null 2>&1
fi
# A wineserver already running for this prefix stays in use.
wineserver -p 2>/dev/null || true
# The prefix's services start with its first program. Started here, they
# hold none of the pipes of a test's program (a test reading its output to
# the end would wait for them too) and none of its environment (faketime).
wine cmd /c exit >/dev/null 2>&1 || true
trap 'wineserver -k 2>/dev/null || true' EXIT

status=0
ctest --test-dir "$BUILD" --output-on-failure -j "$(nproc)" "$@" || status=1
if [ $# -eq 0 ]; then
  scripts/test-com.sh "$BUILD" || status=1
fi
exit $status
