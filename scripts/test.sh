#!/usr/bin/env bash
# Runs every test of VOR Tavrin: installs what is missing, builds both presets,
# runs the native tests (sanitizers, fuzzers, the real window under Xvfb) and
# the Windows build's tests under Wine.
#
#   scripts/test.sh            everything
#   scripts/test.sh linux      native only
#   scripts/test.sh windows    Windows build under Wine only
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root="$PWD"
which="${1:-all}"

bash scripts/deps.sh
export VOR_LIBPNG_PREFIX="$(bash scripts/build-libpng-mingw.sh)"

source scripts/lib/xvfb.sh
export VOR_WINEPREFIX="$root/build/wineprefix"
cleanup() {
    if [[ -d "$VOR_WINEPREFIX" ]]; then WINEPREFIX="$VOR_WINEPREFIX" wineserver -k 2>/dev/null || true; fi
    stop_xvfb
}
trap cleanup EXIT
start_xvfb

status=0
if [[ $which == all || $which == linux ]]; then
    cmake --preset linux >/dev/null
    cmake --build --preset linux
    ctest --preset linux -j2 || status=1
fi
if [[ $which == all || $which == windows ]]; then
    cmake --preset windows >/dev/null
    cmake --build --preset windows
    # Prepare the Wine prefix once, before tests start in parallel.
    bash scripts/wine-run.sh cmd /c exit >/dev/null 2>&1 || true
    ctest --preset windows -j2 || status=1
fi
exit $status
