#!/usr/bin/env bash
# Builds Velto when needed and runs the velto tool with the given arguments.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build.sh" > /dev/null
exec "$root/${VELTO_BUILD_DIR:-build}/Tools/velto/velto" "$@"
