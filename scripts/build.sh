#!/usr/bin/env bash
# Configures and builds into ${BUILD_DIR:-build} with warnings as errors:
# everything, or only the targets given as arguments. ZEPH_CMAKE_ARGS adds
# CMake options (e.g. -DZEPH_SANITIZE=ON); CC and CXX choose the compiler of
# a new build directory.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
# shellcheck disable=SC2086  # several options, split on blanks
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEPH_WERROR=ON \
  ${ZEPH_CMAKE_ARGS:-} >/dev/null
if [ $# -gt 0 ]; then
  cmake --build "$BUILD_DIR" -j "$(nproc)" --target "$@"
else
  cmake --build "$BUILD_DIR" -j "$(nproc)"
fi
