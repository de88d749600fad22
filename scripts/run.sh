#!/usr/bin/env bash
# Sets up this machine if needed, builds Keyloft and runs it under Wine, in a display of its own
# when none is set, with the project's hook library and the sample configuration. It stays
# resident until it is ended from its tray icon (right double-click), with Ctrl+C, or with
# `scripts/run.sh stop` from another shell.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
run="$build/run"

if [ "${1:-}" = "stop" ]; then
    source "$root/scripts/env.sh"
    wineserver -k >/dev/null 2>&1 || true
    echo "Keyloft stopped."
    exit 0
fi

"$root/scripts/setup.sh"
source "$root/scripts/env.sh"
source "$root/scripts/display.sh"
"$root/scripts/build.sh" >/dev/null

mkdir -p "$run"
cp "$build/bin/Keyloft.exe" "$run/"
cp "$build/bin/kbhook.dll" "$run/"
# The user's own edits of the configuration survive later runs.
[ -f "$run/Keyloft.ini" ] || cp "$root/dist/Keyloft.ini" "$run/Keyloft.ini"

start_display
trap 'wineserver -k >/dev/null 2>&1 || true; stop_display' EXIT INT TERM
echo "Keyloft runs from $run (display $DISPLAY); its configuration is $run/Keyloft.ini."
echo "End it from its tray icon, with Ctrl+C, or with: bash scripts/run.sh stop"
cd "$run"
status=0
wine Keyloft.exe || status=$?
echo "Keyloft ended with exit code $status."
