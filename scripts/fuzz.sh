#!/usr/bin/env bash
# Builds one libFuzzer target from Tests/Fuzz with clang (address and undefined-behaviour sanitizers)
# and runs it. Usage: scripts/fuzz.sh VLJSONReaderFuzzer [seconds, default 60] [libFuzzer options...]
# The corpus is kept in build-fuzz/<target>-corpus; VELTO_FUZZ_SEEDS=FOLDER adds the files of a folder to
# it first (the image readers: VELTO_FUZZ_SEEDS=Tests/Fixtures/images). A target that needs engine
# sources beyond Platform/Foundation lists them, or patterns of them, in Tests/Fuzz/<target>.sources.
set -euo pipefail
cd "$(dirname "$0")/.."
"$(dirname "$0")/setup.sh" clang libclang-rt-14-dev
target="${1:?usage: scripts/fuzz.sh TARGET [seconds] [libFuzzer options...]}"
seconds="${2:-60}"
shift $(( $# < 2 ? $# : 2 ))
out="build-fuzz"
mkdir -p "$out/$target-corpus"
if [ -n "${VELTO_FUZZ_SEEDS:-}" ]; then
    cp -n "$VELTO_FUZZ_SEEDS"/* "$out/$target-corpus/"
fi
sources=()
if [ -f "Tests/Fuzz/$target.sources" ]; then
    for pattern in $(grep -v -e '^#' -e '^$' "Tests/Fuzz/$target.sources"); do
        # shellcheck disable=SC2206 # unquoted, so that patterns expand
        sources+=($pattern)
    done
fi
# The image readers' libraries come with every target; the linker keeps what it uses.
# shellcheck disable=SC2046
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I. \
    $(pkg-config --cflags glib-2.0) "Tests/Fuzz/$target.cpp" Platform/Foundation/*.cpp "${sources[@]}" \
    $(pkg-config --libs glib-2.0 libcrypto libpng libjpeg libwebp libwebpdemux) -lgif -o "$out/$target"
exec "$out/$target" -max_total_time="$seconds" "$@" "$out/$target-corpus"
