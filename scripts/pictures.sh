#!/usr/bin/env bash
# Makes the README's pictures again, under a virtual display of its own: the key report of a
# bound key (docs/key-report.png) and the error report of a start that finds no hook library
# (docs/start-error.png). Builds the first flavour this machine can run; Xvfb keeps its screen in
# a file (-fbdir), which pictures/xwd_to_png.py crops to the message box and writes as PNG. It
# uses a Wine prefix of its own, set to draw window frames itself, as there is no window manager.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
source "$root/scripts/env.sh"
use_runnable_flavour
export WINEPREFIX="$WINEPREFIX-pictures"
KEYLOFT_ARCH="$KEYLOFT_FLAVOUR" "$root/scripts/build.sh" >/dev/null

work="$KEYLOFT_BUILD/pictures"
rm -rf "$work"
mkdir -p "$work/screen" "$work/bound" "$work/nolibrary" "$root/docs"
bin="$KEYLOFT_BUILD/bin"
cp "$bin/Keyloft.exe" "$bin/kbhook.dll" "$work/bound/"
cp "$root/dist/Keyloft.ini" "$work/bound/"
cp "$bin/Keyloft.exe" "$work/nolibrary/"

# A display of our own with a black root window, so that the windows stand out from it.
n=90
while [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 800x600x24 -br -fbdir "$work/screen" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$n"
keyloft=""
finish() {
    [ -n "$keyloft" ] && kill "$keyloft" >/dev/null 2>&1 || true
    wine_server -k >/dev/null 2>&1 || true
    wine_server -w >/dev/null 2>&1 || true
    kill "$xvfb" >/dev/null 2>&1 || true
    wait "$xvfb" 2>/dev/null || true
}
trap finish EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${n}" ] && break; sleep 0.1; done
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "pictures: creating the Wine prefix $WINEPREFIX"
    wine_run wineboot --init >/dev/null 2>&1 || true
    wine_server -w
fi
wine_run reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
wine_server -p >/dev/null 2>&1 || true
wine_run cmd /c exit </dev/null >/dev/null 2>&1 || true

# picture NAME FOLDER DRIVER-ARGUMENTS...: starts Keyloft in FOLDER, drives it, takes the picture.
picture() {
    local name="$1" folder="$2"
    shift 2
    (cd "$folder" && exec "$WINELOADER" Keyloft.exe) </dev/null >/dev/null 2>&1 &
    keyloft=$!
    local frame
    if ! frame="$(wine_run "$bin/PictureDriver.exe" "$@" </dev/null | tr -d '\r')"; then
        echo "pictures: no message box for $name" >&2
        exit 1
    fi
    # shellcheck disable=SC2086 # the four numbers of the box's rectangle
    python3 "$root/pictures/xwd_to_png.py" "$work/screen/Xvfb_screen0" $frame \
        "$root/docs/$name.png"
    echo "pictures: docs/$name.png"
    wine_server -k >/dev/null 2>&1 || true
    wine_server -w >/dev/null 2>&1 || true
    wait "$keyloft" 2>/dev/null || true
    keyloft=""
    wine_server -p >/dev/null 2>&1 || true
}

# E021 is the Calculator key, which the sample configuration binds for one and for two presses.
picture key-report "$work/bound" report E021
picture start-error "$work/nolibrary" wait
