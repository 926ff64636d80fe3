#!/usr/bin/env bash
# Prints round trips per second of the link against a stand-in that answers
# at once: natively, and the Windows build under Wine. Not a test.
#
#   tests/simlink/integration/bench-roundtrip.sh [linux-build-dir] [windows-build-dir] [seconds]
# Defaults: build/standin-linux build/standin-windows 3. A build dir that is
# missing is skipped. Uses DISPLAY and VOR_WINEPREFIX when set; without a
# DISPLAY it starts an Xvfb of its own for Wine (the stand-in owns a window).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)"
linux_dir="${1:-$root/build/standin-linux}"
windows_dir="${2:-$root/build/standin-windows}"
seconds="${3:-3}"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
    [[ -n "${ipc_dir:-}" ]] && rm -rf "$ipc_dir"
    if [[ -n "${XVFB_PID:-}" ]]; then stop_xvfb; fi
}
trap cleanup EXIT

if [[ -x "$linux_dir/tools/sim-standin/sim-standin" ]]; then
    ipc_dir="$(mktemp -d)"
    export VOR_IPC_DIR="$ipc_dir"
    "$linux_dir/tools/sim-standin/sim-standin" >/dev/null &
    pids+=($!)
    echo "native ($linux_dir):"
    "$linux_dir/tests/simlink/integration/bench_roundtrip" "$seconds"
fi
if [[ -f "$windows_dir/tools/sim-standin/sim-standin.exe" ]]; then
    if [[ -z "${DISPLAY:-}" ]]; then
        source "$root/scripts/lib/xvfb.sh"
        start_xvfb
    fi
    bash "$root/scripts/wine-run.sh" "$windows_dir/tools/sim-standin/sim-standin.exe" >/dev/null 2>&1 &
    pids+=($!)
    echo "Windows build under Wine ($windows_dir):"
    bash "$root/scripts/wine-run.sh" "$windows_dir/tests/simlink/integration/bench_roundtrip.exe" "$seconds"
fi
