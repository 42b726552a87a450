#!/usr/bin/env bash
# Runs the tests of the Windows build (scripts/build-windows.sh) under Wine:
# the unit tests, one Wine process per test binary; the black-box suite
# against zephautomat.exe with components.ini naming merkan-sim.dll and mail
# to servers on 127.0.0.1; and the host's calls through COM
# (scripts/test-com.sh). The same demo run by the Linux build (built here
# into ${BUILD_DIR:-build} when needed) and by this one must give the same
# bytes (tests/e2e/test_same_run_on_linux_and_windows.py). Wine gets a
# prefix of its own in the build tree and one wineserver for the whole run
# (scripts/lib/wine-session.sh).
# Arguments go to ctest (e.g. -R e2e.test_mail).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=$(realpath "${WIN_BUILD_DIR:-build-windows}")
[ -f "$BUILD/zephautomat.exe" ] ||
  { echo "test-windows.sh: no $BUILD/zephautomat.exe; run scripts/build-windows.sh first" >&2; exit 1; }

. scripts/lib/wine-session.sh
wine_session "$BUILD"

status=0
ctest --test-dir "$BUILD" --output-on-failure -j "$(nproc)" "$@" || status=1
if [ $# -eq 0 ]; then
  scripts/test-com.sh "$BUILD" || status=1
fi
exit $status
