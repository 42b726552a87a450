#!/usr/bin/env bash
# Configures and builds into ${BUILD_DIR:-build} with warnings as errors:
# everything, or only the targets given as arguments.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
if [ $# -gt 0 ]; then
  cmake --build "$BUILD_DIR" -j "$(nproc)" --target "$@"
else
  cmake --build "$BUILD_DIR" -j "$(nproc)"
fi
