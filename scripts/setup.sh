#!/usr/bin/env bash
# Installs what building and running Keyloft here needs (Debian, as root) and creates the Wine
# prefix once. Safe to run again: it only installs what is missing.
set -euo pipefail

missing=()
command -v i686-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-i686-posix)
command -v cmake >/dev/null || missing+=(cmake)
command -v Xvfb >/dev/null || missing+=(xvfb)
command -v xauth >/dev/null || missing+=(xauth)
command -v zip >/dev/null || missing+=(zip)
command -v unzip >/dev/null || missing+=(unzip)
[ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed' ||
    missing+=(wine wine32:i386)

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# shellcheck source=scripts/env.sh
source "$(dirname "$0")/env.sh"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "setup: creating the Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    # No Mono or Gecko prompt: those installers would wait for an answer forever.
    WINEDLLOVERRIDES="mscoree,mshtml=" wineboot --init >/dev/null 2>&1 || true
    wineserver -w
fi
