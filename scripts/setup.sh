#!/usr/bin/env bash
# Installs what building and running Keyloft here needs (Debian, as root), for both flavours,
# and creates the Wine prefix of each flavour this machine can run, once. Safe to run again: it
# only installs what is missing.
set -euo pipefail

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing=()
command -v i686-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-i686-posix)
command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-x86-64-posix)
command -v cmake >/dev/null || missing+=(cmake)
command -v Xvfb >/dev/null || missing+=(xvfb)
command -v xauth >/dev/null || missing+=(xauth)
command -v xdpyinfo >/dev/null || missing+=(x11-utils)
command -v zip >/dev/null || missing+=(zip)
command -v unzip >/dev/null || missing+=(unzip)
command -v python3 >/dev/null || missing+=(python3)
[ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
installed wine64 || missing+=(wine wine64)
installed wine32:i386 || missing+=(wine32:i386)

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update -qq
    # On a machine that cannot execute 32-bit programs, some 32-bit packages' own set-up steps
    # fail; the files are in place all the same, and only the i686 flavour's tests need them.
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# shellcheck source=scripts/env.sh
source "$(dirname "$0")/env.sh"

for flavour in $(keyloft_flavours); do
    can_run_flavour "$flavour" || continue
    use_flavour "$flavour"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "setup: creating the $WINEARCH Wine prefix $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        # No Mono or Gecko prompt: those installers would wait for an answer forever.
        WINEDLLOVERRIDES="mscoree,mshtml=" wine_run wineboot --init >/dev/null 2>&1 || true
        wine_server -w
    fi
done
