# Shared settings for the scripts that run Windows programs under Wine. Source it.
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-keyloft}"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
