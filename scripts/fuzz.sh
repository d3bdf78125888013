#!/usr/bin/env bash
# Fuzzes with libFuzzer: builds the targets of Tests/Fuzz with clang (address and undefined-behaviour
# sanitizers, CMake option VELTO_FUZZ) into build-fuzz/ (or $VELTO_FUZZ_BUILD_DIR, which may be a tree
# already configured with VELTO_FUZZ, as CI's is) and runs one of them, or each in turn with "all".
# Usage: scripts/fuzz.sh TARGET|all [seconds, default 60; "share:N" for N seconds shared by the targets]
#        [libFuzzer options...]
# Each target keeps what it finds in <build folder>/<target>-corpus and starts from its seeds as well
# (Tests/Fuzz/Seeds/<target>/ and the folders Tests/Fuzz/CMakeLists.txt names); VELTO_FUZZ_SEEDS=FOLDER
# adds one more. Tests/Fuzz/<target>.options, when present, holds libFuzzer options of its own (the
# script-value target checks leaks only at exit, since JavaScriptCore keeps caches it makes lazily and a
# check after each input would find them every time).
set -euo pipefail
cd "$(dirname "$0")/.."
"$(dirname "$0")/setup.sh" clang libclang-rt-14-dev
target="${1:?usage: scripts/fuzz.sh TARGET|all [seconds|share:N] [libFuzzer options...]}"
seconds="${2:-60}"
shift $(( $# < 2 ? $# : 2 ))
out="${VELTO_FUZZ_BUILD_DIR:-build-fuzz}"
if ! grep -qs '^VELTO_FUZZ:BOOL=ON' "$out/CMakeCache.txt"; then
    CC=clang CXX=clang++ cmake -S . -B "$out" -G Ninja -DVELTO_FUZZ=ON -DVELTO_SANITIZE=address,undefined \
        -DVELTO_BUILD_TESTS=OFF -DVELTO_BUILD_BENCHMARKS=OFF > /dev/null
fi
cmake --build "$out" --target VeltoFuzzers
targets=("$target")
[ "$target" = all ] && mapfile -t targets < <(cd Tests/Fuzz && ls ./*Fuzzer.cpp | sed 's|^\./||; s|\.cpp$||')
if [[ "$seconds" == share:* ]]; then
    seconds=$(( ${seconds#share:} / ${#targets[@]} ))
    (( seconds >= 5 )) || seconds=5
fi
for fuzzer in "${targets[@]}"; do
    echo "fuzz: $fuzzer for ${seconds} s"
    corpus=("$out/$fuzzer-corpus")
    mkdir -p "${corpus[0]}"
    if [ -f "$out/Tests/Fuzz/$fuzzer.seeds" ]; then
        mapfile -t seeds < <(grep -v "^$" "$out/Tests/Fuzz/$fuzzer.seeds" || true)
        corpus+=("${seeds[@]}")
    fi
    [ -n "${VELTO_FUZZ_SEEDS:-}" ] && corpus+=("$VELTO_FUZZ_SEEDS")
    options=()
    [ -f "Tests/Fuzz/$fuzzer.options" ] && read -r -a options < "Tests/Fuzz/$fuzzer.options"
    LSAN_OPTIONS="suppressions=$PWD/Tests/lsan-suppressions.txt:print_suppressions=0" \
        "$out/Tests/Fuzz/$fuzzer" -max_total_time="$seconds" -artifact_prefix="$out/$fuzzer-" "${options[@]}" \
        "$@" "${corpus[@]}" 2> "$out/$fuzzer.log" || { tail -40 "$out/$fuzzer.log"; exit 1; }
done
