#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, and runs every test. On CI (CI=true) it also
# builds and runs the suite under the address and undefined-behaviour sanitizers, and runs each fuzz
# target for 20 seconds. Extra arguments go to the main build's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# The tracked sources, or every source outside a git checkout.
mapfile -t sources < <(git ls-files '*.cpp' '*.h' 2>/dev/null ||
    find Core Platform Modules ContentHost LoginHelper Supports Tests Tools bench \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null)
clang-format --dry-run --Werror "${sources[@]}"

build_dir="${VELTO_BUILD_DIR:-build}"
scripts/build.sh -DVELTO_WERROR=ON "$@"
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"

if [ "${CI:-}" = true ]; then
    sanitize_dir="$build_dir-sanitize"
    VELTO_BUILD_DIR="$sanitize_dir" scripts/build.sh -DVELTO_SANITIZE=address,undefined -DVELTO_BUILD_BENCHMARKS=OFF
    ctest --test-dir "$sanitize_dir" --output-on-failure -j "$(nproc)"
    VELTO_FUZZ_BUILD_DIR="$build_dir-fuzz" scripts/fuzz.sh all 20
fi
