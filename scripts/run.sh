#!/usr/bin/env bash
# Sets up this machine if needed, builds Keyloft and runs it under Wine, in a display of its own
# when none is set, with the project's hook library and the sample configuration. The flavour is
# the first this machine can run, i686 before x86_64 (KEYLOFT_ARCH picks one). It stays
# resident until it is ended from its tray icon (right double-click), with Ctrl+C, or with
# `scripts/run.sh stop` from another shell.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/env.sh"

# Stop: KeyloftStop.exe asks the running program to end as its tray icon's right double-click
# does, so that it removes its icon and stops its hook library on its way out.
if [ "${1:-}" = "stop" ]; then
    status=3 # nothing running, until a flavour's Keyloft answers
    for flavour in $(keyloft_flavours); do
        use_flavour "$flavour"
        stop="$KEYLOFT_BUILD/bin/KeyloftStop.exe"
        can_run_flavour "$flavour" && [ -f "$stop" ] && [ -f "$WINEPREFIX/system.reg" ] || continue
        result=0
        wine_run "$stop" </dev/null | tr -d '\r' || result=$?
        [ "$result" -eq 3 ] || status=$result
    done
    [ "$status" -ne 3 ] || echo "Keyloft is not running."
    exit $((status == 3 ? 0 : status))
fi

"$root/scripts/setup.sh"
use_runnable_flavour
source "$root/scripts/display.sh"
KEYLOFT_ARCH="$KEYLOFT_FLAVOUR" "$root/scripts/build.sh" >/dev/null

run="$KEYLOFT_BUILD/run"
mkdir -p "$run"
cp "$KEYLOFT_BUILD/bin/Keyloft.exe" "$run/"
cp "$KEYLOFT_BUILD/bin/kbhook.dll" "$run/"
# The user's own edits of the configuration survive later runs.
[ -f "$run/Keyloft.ini" ] || cp "$root/dist/Keyloft.ini" "$run/Keyloft.ini"

start_display
trap 'wine_server -k >/dev/null 2>&1 || true; stop_display' EXIT INT TERM
echo "Keyloft ($KEYLOFT_FLAVOUR) runs from $run (display $DISPLAY); its configuration is $run/Keyloft.ini."
echo "End it from its tray icon, with Ctrl+C, or with: bash scripts/run.sh stop"
cd "$run"
status=0
wine_run Keyloft.exe || status=$?
echo "Keyloft ended with exit code $status."
