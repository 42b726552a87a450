#!/usr/bin/env bash
# The host's calls through COM, under Wine, for a Windows build: registers
# the build's merkan-sim.dll under HKLM in a Wine prefix of the build's own
# (Wine 8 reads no per-user class keys), runs com_host_test.exe (at the top
# of the build, with every program and DLL of a Windows build) against it
# and removes the registration again, whatever the outcome.
#   scripts/test-com.sh [BUILD_DIR]        (default: build-windows)
# A 32-bit build (i686-w64-mingw32) gets a 32-bit prefix of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=$(realpath "${1:-build-windows}")
SIM=$BUILD/merkan-sim.dll
TEST=$BUILD/com_host_test.exe
for f in "$SIM" "$TEST"; do
  [ -f "$f" ] || { echo "test-com.sh: $f is missing; build for Windows first" >&2; exit 1; }
done
export WINEDEBUG=-all
if objdump -f "$SIM" 2>/dev/null | grep -q 'pei-i386'; then
  export WINEARCH=win32 WINEPREFIX=$BUILD/wine-com32
else
  export WINEARCH=win64 WINEPREFIX=$BUILD/wine-com
fi
[ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1
sim_path=$(winepath -w "$SIM")
wine regsvr32 /s "$sim_path"
trap 'wine regsvr32 /u /s "$sim_path"' EXIT
wine "$TEST"
