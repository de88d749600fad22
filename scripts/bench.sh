#!/usr/bin/env bash
# Builds Keyloft and runs its benchmarks under Wine in a display of their own. Prints figures
# only: the key press path of the program, then the callback of the project's kbhook.dll.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
source "$root/scripts/env.sh"
source "$root/scripts/display.sh"
"$root/scripts/build.sh"
start_wine_session
build="${BUILD_DIR:-$root/build}"
wine "$build/bin/KeyloftKeyPressBench.exe"
wine "$build/bin/KeyloftHookBench.exe"
