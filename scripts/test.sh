#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh -DVELTO_WERROR=ON "$@"
build_dir="${VELTO_BUILD_DIR:-build}"
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"
