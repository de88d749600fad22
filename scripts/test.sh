#!/usr/bin/env bash
# Sets up this machine if needed, builds everything and runs every test under Wine in a display.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
source "$root/scripts/env.sh"
source "$root/scripts/display.sh"
"$root/scripts/build.sh"
start_display
# One wineserver for the whole run, so that each test process starts quickly, and Wine's own
# services started now with their output elsewhere: started by the first test, they would hold
# its output open and CTest would wait for them.
wineserver -p >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
build="${BUILD_DIR:-$root/build}"
status=0
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 300 "$@" || status=$?
exit $status
