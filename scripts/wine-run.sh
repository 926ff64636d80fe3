#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine, in the test run's own
# prefix (VOR_WINEPREFIX, default build/wineprefix), creating the prefix on
# first use. CMake uses this as the cross-compiling emulator for ctest.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export WINEPREFIX="${VOR_WINEPREFIX:-$here/../build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win64
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
            WINEDLLOVERRIDES="mscoree,mshtml=" wine wineboot -i >/dev/null 2>&1 || true
            wineserver -w || true
        fi
    ) 9>"$WINEPREFIX.lock"
fi
exec wine "$@"
