#!/usr/bin/env bash
# Builds Keyloft and runs its benchmarks under Wine in a display of their own, in the first
# flavour this machine can run (i686 before x86_64; KEYLOFT_ARCH picks one). Prints figures
# only: the key press path of the program, then the callback of the project's kbhook.dll.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
source "$root/scripts/env.sh"
use_runnable_flavour
source "$root/scripts/display.sh"
KEYLOFT_ARCH="$KEYLOFT_FLAVOUR" "$root/scripts/build.sh"
start_wine_session
wine_run "$KEYLOFT_BUILD/bin/KeyloftKeyPressBench.exe"
wine_run "$KEYLOFT_BUILD/bin/KeyloftHookBench.exe"
