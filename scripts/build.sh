#!/usr/bin/env bash
# Configures and builds into build/ (or $VELTO_BUILD_DIR). Extra arguments go to cmake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
"$(dirname "$0")/setup.sh"
build_dir="${VELTO_BUILD_DIR:-build}"
cmake -S . -B "$build_dir" -G Ninja "$@" > /dev/null
cmake --build "$build_dir"
