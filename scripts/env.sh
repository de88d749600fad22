# Shared settings for the scripts that build Keyloft and run Windows programs under Wine, in two
# flavours of the same sources: i686 (the product: the keyboard vendor's kbhook.dll is 32-bit)
# and x86_64. Source it, then call use_flavour for the flavour at hand.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
KEYLOFT_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# The flavours to work on: KEYLOFT_ARCH when it names one, both otherwise, i686 first.
keyloft_flavours() {
    case "${KEYLOFT_ARCH:-}" in
    "") echo "i686 x86_64" ;;
    i686 | x86_64) echo "$KEYLOFT_ARCH" ;;
    *)
        echo "KEYLOFT_ARCH must be i686 or x86_64, not '$KEYLOFT_ARCH'" >&2
        return 1
        ;;
    esac
}

# The Wine server of a flavour: the 32-bit one for i686, the 64-bit one for x86_64.
wine_server_of() {
    if [ "$1" = i686 ]; then echo /usr/lib/wine/wineserver32; else echo /usr/lib/wine/wineserver64; fi
}

# True when this machine runs the flavour's Wine. Found out by running its server once: some
# machines cannot execute 32-bit Linux programs at all ("Exec format error"), whatever is
# installed, and the names of the files tell nothing about that.
can_run_flavour() {
    local server
    server="$(wine_server_of "$1")"
    [ -x "$server" ] && "$server" --version >/dev/null 2>&1
}

# Sets what the other scripts use for one flavour: its toolchain file, its build folder
# (BUILD_DIR, default build/, then the flavour's name), its own Wine prefix, loader and server.
# The Wine commands go through wine_run and wine_server, never /usr/bin/wine: that one takes the
# 32-bit loader whenever it is installed, whether this machine can run it or not.
use_flavour() {
    KEYLOFT_FLAVOUR="$1"
    KEYLOFT_TOOLCHAIN="$KEYLOFT_ROOT/cmake/mingw-$1.cmake"
    KEYLOFT_BUILD="${BUILD_DIR:-$KEYLOFT_ROOT/build}/$1"
    export WINEPREFIX="${KEYLOFT_WINEPREFIX:-$HOME/.wine-keyloft}-$1"
    export WINESERVER
    WINESERVER="$(wine_server_of "$1")"
    if [ "$1" = i686 ]; then
        export WINEARCH=win32 WINELOADER=/usr/lib/wine/wine
    else
        export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
    fi
}

wine_run() { "$WINELOADER" "$@"; }
wine_server() { "$WINESERVER" "$@"; }

# Picks the first flavour of keyloft_flavours that this machine can run, says which, and fails
# when there is none.
use_runnable_flavour() {
    local flavour
    for flavour in $(keyloft_flavours); do
        if can_run_flavour "$flavour"; then
            use_flavour "$flavour"
            echo "Flavour: $flavour."
            return 0
        fi
    done
    echo "This machine runs no Wine of the flavours $(keyloft_flavours)." >&2
    return 1
}
