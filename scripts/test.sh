#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds into build/ with warnings as errors, and runs
# every test, the fuzz targets' seeds among them. Extra arguments go to the build's configure step.
#
# On CI (CI=true) the one build is instead made by clang and linked by lld, into build-ci/ (or
# $VELTO_BUILD_DIR): the test suites compiled in batches, everything under the address and
# undefined-behaviour sanitizers with libFuzzer's coverage, each suite run in a few shards of its tests
# rather than a process per test, and after the suite each fuzz target also fuzzes briefly in that same
# tree ($VELTO_CI_FUZZ_SECONDS in all, 120 by default, shared between the targets).
set -euo pipefail
cd "$(dirname "$0")/.."
ci=false
[ "${CI:-}" = true ] && ci=true
if $ci; then
    scripts/setup.sh clang libclang-rt-14-dev lld
else
    scripts/setup.sh
fi
# The tracked sources, or every source outside a git checkout.
mapfile -t sources < <(git ls-files '*.cpp' '*.h' 2>/dev/null ||
    find Core Platform Modules ContentHost LoginHelper Supports Tests Tools bench \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null)
clang-format --dry-run --Werror "${sources[@]}"

if $ci; then
    build_dir="${VELTO_BUILD_DIR:-build-ci}"
    CC=clang CXX=clang++ VELTO_BUILD_DIR="$build_dir" scripts/build.sh -DCMAKE_BUILD_TYPE=Check \
        -DVELTO_SANITIZE=address,undefined -DVELTO_FUZZ=ON -DVELTO_UNITY=ON -DVELTO_TEST_SHARDS=ON \
        -DVELTO_LLD=ON -DVELTO_WERROR=ON "$@"
else
    build_dir="${VELTO_BUILD_DIR:-build}"
    VELTO_BUILD_DIR="$build_dir" scripts/build.sh -DVELTO_WERROR=ON "$@"
fi
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"

if $ci; then
    VELTO_FUZZ_BUILD_DIR="$build_dir" scripts/fuzz.sh all "share:${VELTO_CI_FUZZ_SECONDS:-120}"
fi
