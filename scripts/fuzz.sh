#!/usr/bin/env bash
# Builds one libFuzzer target from Tests/Fuzz with clang (address and undefined-behaviour sanitizers)
# and runs it. Usage: scripts/fuzz.sh VLJSONReaderFuzzer [seconds, default 60] [libFuzzer options...]
# The corpus is kept in build-fuzz/<target>-corpus. A target that needs engine sources beyond
# Platform/Foundation lists them in Tests/Fuzz/<target>.sources.
set -euo pipefail
cd "$(dirname "$0")/.."
"$(dirname "$0")/setup.sh" clang libclang-rt-14-dev
target="${1:?usage: scripts/fuzz.sh TARGET [seconds] [libFuzzer options...]}"
seconds="${2:-60}"
shift $(( $# < 2 ? $# : 2 ))
out="build-fuzz"
mkdir -p "$out/$target-corpus"
sources=()
if [ -f "Tests/Fuzz/$target.sources" ]; then
    mapfile -t sources < <(grep -v -e '^#' -e '^$' "Tests/Fuzz/$target.sources")
fi
# shellcheck disable=SC2046
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I. \
    $(pkg-config --cflags glib-2.0) "Tests/Fuzz/$target.cpp" Platform/Foundation/*.cpp "${sources[@]}" \
    $(pkg-config --libs glib-2.0 libcrypto) -o "$out/$target"
exec "$out/$target" -max_total_time="$seconds" "$@" "$out/$target-corpus"
