# Gives the calling script an X display: the one in DISPLAY, or a private Xvfb that is stopped
# when the script exits, together with every Wine session started here. Source it after env.sh,
# then call start_display, and start_wine_session once use_flavour has picked a flavour.
KEYLOFT_SESSIONS=()

start_display() {
    trap stop_display EXIT
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        return
    fi
    local n=90
    while [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X${n}" ] && return
        sleep 0.1
    done
    echo "display: Xvfb did not start" >&2
    return 1
}

stop_display() {
    local session
    for session in "${KEYLOFT_SESSIONS[@]}"; do
        WINEPREFIX="${session%%|*}" "${session##*|}" -k >/dev/null 2>&1 || true
    done
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" >/dev/null 2>&1 || true
        wait "$XVFB_PID" 2>/dev/null || true
    fi
}

# Starts the display, one wineserver for the flavour's prefix (so that each program starts
# quickly), and Wine's own services with their output elsewhere: started by the first program
# of a test run instead, they would hold its output open and CTest would wait for them.
start_wine_session() {
    start_display
    KEYLOFT_SESSIONS+=("$WINEPREFIX|$WINESERVER")
    wine_server -p >/dev/null 2>&1 || true
    wine_run cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# Ends the Wine session of the flavour at hand and waits until it is gone.
stop_wine_session() {
    wine_server -k >/dev/null 2>&1 || true
    wine_server -w >/dev/null 2>&1 || true
}
