#!/usr/bin/env bash
# Builds and runs the native gauge. With the simulator stand-in's scripted ILS
# approach beside it by default, so that the needles move at once.
#
#   scripts/run.sh                          gauge + stand-in (scripted approach)
#   scripts/run.sh --no-standin             the gauge alone (lamp lit until a
#                                           simulator link opens)
#   scripts/run.sh --xvfb-screenshot F.png  no display needed: runs both under
#       [--seconds N]                       a private Xvfb for N seconds (default
#                                           5) and writes a screenshot of the
#                                           gauge window to F.png
# The gauge keeps its settings in ./Brivane.ini of the directory you start it in.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

standin=1
shot=
seconds=5
while [[ $# -gt 0 ]]; do
    case "$1" in
        --no-standin) standin=0 ;;
        --xvfb-screenshot) shot="${2:?--xvfb-screenshot needs a file name}"; shift ;;
        --seconds) seconds="${2:?--seconds needs a number}"; shift ;;
        -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "run.sh: unknown argument '$1' (try --help)" >&2; exit 2 ;;
    esac
    shift
done
[[ -n "$shot" && "$shot" != /* ]] && shot="$PWD/$shot"

bash "$root/scripts/deps.sh"
cmake --preset linux-release -S "$root" >/dev/null
cmake --build "$root/build/linux-release" --target vor-tavrin sim-standin
gauge="$root/build/linux-release/app/vor-tavrin"
standin_bin="$root/build/linux-release/tools/sim-standin/sim-standin"

pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
    [[ -n "${XVFB_PID:-}" ]] && stop_xvfb
}
trap cleanup EXIT INT TERM

if [[ -n "$shot" ]]; then
    source "$root/scripts/lib/xvfb.sh"
    start_xvfb
elif [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "run.sh: there is no display here (DISPLAY is not set)." >&2
    echo "        To see the gauge anyway, run it under a private X server and get a picture:" >&2
    echo "        scripts/run.sh --xvfb-screenshot gauge.png" >&2
    exit 1
fi

if [[ $standin = 1 ]]; then
    "$standin_bin" --approach &
    pids+=($!)
fi
"$gauge" &
gauge_pid=$!
pids+=($gauge_pid)

if [[ -n "$shot" ]]; then
    deadline=$((SECONDS + 20))
    until wid=$(xdotool search --name "^VOR Tavrin - 1.01$" 2>/dev/null | head -n1) && [[ -n "$wid" ]]; do
        ((SECONDS > deadline)) && { echo "run.sh: the gauge window did not appear" >&2; exit 1; }
        sleep 0.1
    done
    sleep "$seconds"
    import -window "$wid" "$shot"
    echo "run.sh: screenshot written to $shot"
    exit 0
fi
wait "$gauge_pid" || true
