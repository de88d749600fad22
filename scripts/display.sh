# Gives the calling script an X display: the one in DISPLAY, or a private Xvfb that is stopped
# when the script exits. Source it, then call start_display.
start_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        return
    fi
    local n=90
    while [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    trap stop_display EXIT
    for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X${n}" ] && return
        sleep 0.1
    done
    echo "display: Xvfb did not start" >&2
    return 1
}

stop_display() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" >/dev/null 2>&1 || true
        wait "$XVFB_PID" 2>/dev/null || true
    fi
}

# Starts the display, one wineserver for the whole session (so that each program starts
# quickly), and Wine's own services with their output elsewhere: started by the first program
# of a test run instead, they would hold its output open and CTest would wait for them.
start_wine_session() {
    start_display
    wineserver -p >/dev/null 2>&1 || true
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}
