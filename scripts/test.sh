#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through ctest.
# With --all, or when CI=true, runs every CI gate instead (scripts/ci.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--all" ] || [ "${CI:-}" = "true" ]; then
  exec scripts/ci.sh
fi
scripts/setup.sh
scripts/build.sh
BUILD_DIR=${BUILD_DIR:-build}
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)"
