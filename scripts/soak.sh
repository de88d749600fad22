#!/usr/bin/env bash
# Soaks Keyloft under load and faults: sets up the machine if needed, builds, and runs the soak
# driver under Wine in a display of its own, in the first flavour this machine can run (i686
# before x86_64; KEYLOFT_ARCH picks one). The driver runs the real Keyloft.exe with the tests'
# hook library for about the minutes given (default 3) and prints one table, a row per case.
# Not part of the tests. Exit code 1 when a row is not sound.
# Usage: scripts/soak.sh [minutes]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
minutes="${1:-3}"
[[ "$minutes" =~ ^[0-9]+([.][0-9]+)?$ ]] || { echo "usage: $0 [minutes]" >&2; exit 2; }
"$root/scripts/setup.sh"
source "$root/scripts/env.sh"
use_runnable_flavour
source "$root/scripts/display.sh"
KEYLOFT_ARCH="$KEYLOFT_FLAVOUR" "$root/scripts/build.sh" >/dev/null
start_wine_session
wine_run "$KEYLOFT_BUILD/bin/KeyloftSoak.exe" "$minutes"
