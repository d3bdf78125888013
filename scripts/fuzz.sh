#!/usr/bin/env bash
# Builds the libFuzzer targets of Tests/Fuzz with clang (address and undefined-behaviour sanitizers,
# CMake option VELTO_FUZZ) into build-fuzz/ (or $VELTO_FUZZ_BUILD_DIR) and runs one of them, or each in
# turn with "all". Usage: scripts/fuzz.sh TARGET|all [seconds, default 60] [libFuzzer options...]
# Each target keeps its corpus in <build folder>/<target>-corpus; VELTO_FUZZ_SEEDS=FOLDER adds the
# files of a folder to it first (the image readers: VELTO_FUZZ_SEEDS=Tests/Fixtures/images).
# Tests/Fuzz/<target>.options, when present, holds libFuzzer options of its own (the script-value target
# checks leaks only at exit, since JavaScriptCore keeps caches it makes lazily and a check after each
# input would find them every time).
set -euo pipefail
cd "$(dirname "$0")/.."
"$(dirname "$0")/setup.sh" clang libclang-rt-14-dev
target="${1:?usage: scripts/fuzz.sh TARGET|all [seconds] [libFuzzer options...]}"
seconds="${2:-60}"
shift $(( $# < 2 ? $# : 2 ))
out="${VELTO_FUZZ_BUILD_DIR:-build-fuzz}"
CC=clang CXX=clang++ cmake -S . -B "$out" -G Ninja -DVELTO_FUZZ=ON -DVELTO_SANITIZE=address,undefined \
    -DVELTO_BUILD_TESTS=OFF -DVELTO_BUILD_BENCHMARKS=OFF > /dev/null
cmake --build "$out" --target VeltoFuzzers
targets=("$target")
[ "$target" = all ] && mapfile -t targets < <(cd Tests/Fuzz && ls ./*Fuzzer.cpp | sed 's|^\./||; s|\.cpp$||')
for fuzzer in "${targets[@]}"; do
    echo "fuzz: $fuzzer for ${seconds} s"
    mkdir -p "$out/$fuzzer-corpus"
    if [ -n "${VELTO_FUZZ_SEEDS:-}" ]; then
        cp -n "$VELTO_FUZZ_SEEDS"/* "$out/$fuzzer-corpus/"
    fi
    options=()
    [ -f "Tests/Fuzz/$fuzzer.options" ] && read -r -a options < "Tests/Fuzz/$fuzzer.options"
    LSAN_OPTIONS="suppressions=$PWD/Tests/lsan-suppressions.txt:print_suppressions=0" \
        "$out/Tests/Fuzz/$fuzzer" -max_total_time="$seconds" -artifact_prefix="$out/$fuzzer-" "${options[@]}" \
        "$@" "$out/$fuzzer-corpus" 2> "$out/$fuzzer.log" || { tail -40 "$out/$fuzzer.log"; exit 1; }
done
