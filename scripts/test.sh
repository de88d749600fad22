#!/usr/bin/env bash
# Sets up this machine if needed, builds everything and runs every test under Wine in a display.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
source "$root/scripts/env.sh"
source "$root/scripts/display.sh"
"$root/scripts/build.sh"
start_wine_session
build="${BUILD_DIR:-$root/build}"
status=0
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 300 "$@" || status=$?
exit $status
