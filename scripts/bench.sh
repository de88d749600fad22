#!/usr/bin/env bash
# Builds Keyloft and runs its benchmarks under Wine in a display of their own, in the first
# flavour this machine can run (i686 before x86_64; KEYLOFT_ARCH picks one). Prints figures
# only: the key press path of the program, a binding that runs KeyloftSend.exe, then the callback
# of the project's kbhook.dll.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
source "$root/scripts/env.sh"
use_runnable_flavour
source "$root/scripts/display.sh"
KEYLOFT_ARCH="$KEYLOFT_FLAVOUR" "$root/scripts/build.sh"
start_wine_session

# Voluntary context switches of all threads of the Linux process whose command line is the
# program's (Wine gives it the Windows path): one per wake-up of a sleeping thread. Windows' own
# counters read 0 under Wine.
process_switches() {
    local pid candidate total=0 status n
    # Of the processes so named, the one of this Wine prefix: other sessions may run Keyloft.
    pid=""
    for candidate in $(pgrep -f "(^|[\\/])$1\$"); do
        tr '\0' '\n' <"/proc/$candidate/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" &&
            pid="$candidate"
    done
    [ -n "$pid" ] || { echo -1; return; }
    for status in /proc/"$pid"/task/*/status; do
        n="$(awk '/^voluntary_ctxt_switches/ {print $2}' "$status" 2>/dev/null)"
        total=$((total + ${n:-0}))
    done
    echo "$total"
}

# Prints the wake-ups of the program's process during the given seconds.
count_wakeups() {
    local before after
    before="$(process_switches "$1")"
    sleep "$2"
    after="$(process_switches "$1")"
    if [ "$before" -lt 0 ] || [ "$after" -lt 0 ]; then echo "not found"; else echo $((after - before)); fi
}

wine_run "$KEYLOFT_BUILD/bin/KeyloftKeyPressBench.exe"
# A binding that runs KeyloftSend.exe, beside one that runs a program doing nothing.
wine_run "$KEYLOFT_BUILD/bin/KeyloftSendBench.exe"
# The hook benchmark says when it idles; its process is counted meanwhile (its main thread
# sleeps, so what wakes is the library's thread or Wine's own).
wine_run "$KEYLOFT_BUILD/bin/KeyloftHookBench.exe" | while IFS= read -r line; do
    line="${line%$'\r'}"
    echo "$line"
    if [ "$line" = "kbhook idle for 5 s" ]; then
        printf '%-58s %s\n' "wake-ups of the benchmark's threads in 5 idle seconds" \
            "$(count_wakeups 'KeyloftHookBench\.exe' 5)"
    fi
done

# Keyloft itself with the project's hook library and the sample configuration, left alone.
idle="$KEYLOFT_BUILD/bench-idle"
mkdir -p "$idle"
cp "$KEYLOFT_BUILD/bin/Keyloft.exe" "$KEYLOFT_BUILD/bin/kbhook.dll" "$root/dist/Keyloft.ini" "$idle/"
(cd "$idle" && wine_run Keyloft.exe >/dev/null 2>&1 &)
sleep 5
printf '\n%-58s %s\n' "wake-ups of Keyloft with kbhook.dll in 10 idle seconds" \
    "$(count_wakeups 'Keyloft\.exe' 10)"
wine_server -k >/dev/null 2>&1 || true
