#!/usr/bin/env bash
# Configures and builds Keyloft and its tests, for each flavour of KEYLOFT_ARCH (both when it is
# not set) into build/<flavour>/ (or BUILD_DIR/<flavour>/). The programs land in its bin/.
set -euo pipefail
source "$(dirname "$0")/env.sh"
for flavour in $(keyloft_flavours); do
    use_flavour "$flavour"
    cmake -S "$KEYLOFT_ROOT" -B "$KEYLOFT_BUILD" -DCMAKE_TOOLCHAIN_FILE="$KEYLOFT_TOOLCHAIN" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$KEYLOFT_BUILD" -j "$(nproc)"
done
