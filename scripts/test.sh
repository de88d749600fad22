#!/usr/bin/env bash
# Sets up this machine if needed, then, for each flavour (KEYLOFT_ARCH picks one), builds
# everything, checks the program files and runs every test under Wine in a display. A flavour
# whose Wine this machine cannot run (no 32-bit programs here) is built and checked only.
# Extra arguments go to CTest. Ends with CTest's summary line.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
source "$root/scripts/env.sh"
source "$root/scripts/display.sh"

status=0
tested=()
checked=()
summaries=() # "status|CTest's closing lines" of each flavour that ran its tests
for flavour in $(keyloft_flavours); do
    use_flavour "$flavour"
    KEYLOFT_ARCH="$flavour" "$root/scripts/build.sh"
    "$root/scripts/check-files.sh" "$KEYLOFT_BUILD" "$flavour" || status=1
    if ! can_run_flavour "$flavour"; then
        checked+=("$flavour")
        continue
    fi
    start_wine_session
    log="$KEYLOFT_BUILD/ctest-output.txt"
    result=0
    ctest --test-dir "$KEYLOFT_BUILD" --output-on-failure -j "$(nproc)" --timeout 300 "$@" |
        tee "$log" || result=$?
    stop_wine_session
    [ "$result" -eq 0 ] || status=1
    tested+=("$flavour")
    summaries+=("$result|$(sed -n '/tests passed, /,$p' "$log")")
done

echo
echo "Flavours tested: ${tested[*]:-none}; only built and checked: ${checked[*]:-none}."
if [ ${#tested[@]} -eq 0 ]; then
    echo "No tests ran: this machine runs the Wine of none of the flavours $(keyloft_flavours)." >&2
    exit 1
fi
# CTest's closing lines once more, a failed flavour's last, so that the last summary is never
# better than the run.
for summary in "${summaries[@]}"; do
    if [ "${summary%%|*}" -eq 0 ]; then echo "${summary#*|}"; fi
done
for summary in "${summaries[@]}"; do
    if [ "${summary%%|*}" -ne 0 ]; then echo "${summary#*|}"; fi
done
exit $status
