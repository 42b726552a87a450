#!/usr/bin/env bash
# The `windows e2e` gate: the black-box suite under Wine against the Windows
# build (build-windows/), through the DLL (scripts/test-windows.sh) and then
# through COM, once per flavour of the simulator's COM face
# (scripts/test-com.sh). Each run is bounded by WINDOWS_E2E_SECONDS (900 s;
# three times that for the COM runs) so that a hang under Wine cannot hold
# CI up. Called by scripts/ci.sh and by scripts/windows-e2e-under-load.sh.
set -uo pipefail
cd "$(dirname "$0")/.."
WINDOWS_E2E_SECONDS=${WINDOWS_E2E_SECONDS:-900}
status=0
timeout --kill-after=30 "$WINDOWS_E2E_SECONDS" scripts/test-windows.sh -R '^e2e\.' || status=1
timeout --kill-after=30 "$((3 * WINDOWS_E2E_SECONDS))" scripts/test-com.sh build-windows || status=1
# A run cut short by the time limit leaves the prefix's wineserver behind.
WINEPREFIX=$PWD/build-windows/wine wineserver -k 2>/dev/null || true
exit $status
