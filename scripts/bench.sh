#!/usr/bin/env bash
# Builds Keyloft and runs the key press benchmark under Wine in a display. Prints figures only.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
source "$root/scripts/env.sh"
source "$root/scripts/display.sh"
"$root/scripts/build.sh"
start_display
# One wineserver for the run, and Wine's own services started before the measurement.
wineserver -p
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
build="${BUILD_DIR:-$root/build}"
wine "$build/bin/KeyloftKeyPressBench.exe"
