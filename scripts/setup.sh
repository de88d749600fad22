#!/usr/bin/env bash
# Installs what building and running Keyloft here needs (Debian, as root), for both flavours,
# and creates the Wine prefix of each flavour this machine can run, once. Safe to run again: it
# only installs what is missing.
set -euo pipefail

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing=() # what building and the x86_64 flavour's tests cannot do without
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
wanted=() # what only the i686 flavour's tests need: without it that flavour is built and checked
installed wine32:i386 || wanted+=(wine32:i386)

# A Debian mirror in the middle of a sync serves an index that does not match its Release file,
# and apt-get update then fails for that one index while the others are fresh. Such a sync can
# last for days; what is installable from the other indexes is still installed, and the install
# step below tells what is not.
update_indexes() {
    local attempt
    for attempt in 1 2 3; do
        apt-get update -qq && return 0
        [ "$attempt" -lt 3 ] && sleep 5
    done
    echo "setup: some package indexes could not be fetched; going on with the others" >&2
}

apt_install() { DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@" >/dev/null; }

if [ ${#missing[@]} -gt 0 ] || [ ${#wanted[@]} -gt 0 ]; then
    all=("${missing[@]}" "${wanted[@]}")
    echo "setup: installing ${all[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    update_indexes
    if [ ${#missing[@]} -gt 0 ] && ! apt_install "${missing[@]}"; then
        echo "setup: could not install ${missing[*]}" >&2
        exit 1
    fi
    # On a machine that cannot execute 32-bit programs, some 32-bit packages' own set-up steps
    # fail; the files are in place all the same, and only the i686 flavour's tests need them.
    if [ ${#wanted[@]} -gt 0 ] && ! apt_install "${wanted[@]}" && ! installed wine32:i386; then
        echo "setup: could not install ${wanted[*]}: the i686 flavour is built and checked," \
            "but its tests do not run here" >&2
    fi
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
