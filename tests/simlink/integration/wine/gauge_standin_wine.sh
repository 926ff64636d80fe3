#!/usr/bin/env bash
# The real gauge against the real stand-in, both under Wine, each a process
# of its own: the stand-in must see the handshake's write, poll batches of the
# six reads in their order, and, after it is killed and started again, the
# gauge's reconnection with a new handshake.
#
#   gauge_standin_wine.sh SIM-STANDIN.EXE VOR-TAVRIN.EXE
#
# Uses DISPLAY and VOR_WINEPREFIX when set (scripts/test.sh sets both), else
# starts an Xvfb of its own; ends only the processes it started, by PID.
set -euo pipefail
standin_exe="$(realpath "$1")"
gauge_exe="$(realpath "$2")"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../../.." && pwd)"
wine_run="$root/scripts/wine-run.sh"
work="$(mktemp -d "${TMPDIR:-/tmp}/vor-wine-standin-XXXXXX")"
cd "$work" # the gauge keeps its settings file in its working directory

pids=()
started_xvfb=0
cleanup() {
    for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
    for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
    if [[ $started_xvfb = 1 ]]; then stop_xvfb; fi
    rm -rf "$work"
}
trap cleanup EXIT
if [[ -z "${DISPLAY:-}" ]]; then
    source "$root/scripts/lib/xvfb.sh"
    start_xvfb
    started_xvfb=1
fi

# wait_for FILE TEXT SECONDS [COUNT]: until FILE holds TEXT COUNT times;
# fails early when the stand-in or the gauge has ended.
wait_for() {
    local file="$1" text="$2" deadline=$((SECONDS + $3)) count="${4:-1}"
    until [[ $(grep -cF -- "$text" "$file" 2>/dev/null || true) -ge $count ]]; do
        local ended=0
        for p in "${standin_pid:-}" "${gauge_pid:-}"; do
            if [[ -n "$p" ]] && ! kill -0 "$p" 2>/dev/null; then ended=1; fi
        done
        if ((SECONDS > deadline || ended)); then
            echo "FAIL: no '$text' (x$count) in $file within $3 s; it holds:" >&2
            cat "$file" >&2 || true
            return 1
        fi
        sleep 0.1
    done
}

start_standin() { # OUTPUT-FILE
    bash "$wine_run" "$standin_exe" --trace --stats >"$1" 2>&1 &
    standin_pid=$!
    pids+=("$standin_pid")
    wait_for "$1" "ready class=UIPCMAIN" 120
}

poll_batch="batch R0C4B:1 R0C48:1 R0C4E:2 R0C4C:1 R0C49:1 R0D0C:2"
handshake_batch="batch R3304:4 R3308:4 W330A:2"
handshake_write="write 0x330A 2: D2 07"

start_standin first.out
bash "$wine_run" "$gauge_exe" >gauge.out 2>&1 &
gauge_pid=$!
pids+=("$gauge_pid")
wait_for first.out "$handshake_write" 120
wait_for first.out "$handshake_batch" 10
wait_for first.out "$poll_batch" 30
wait_for first.out "rate " 30 2
# Only handshakes and poll batches: nothing else is ever sent.
if tr -d '\r' <first.out | grep -E '^batch ' | grep -vxF -e "$poll_batch" -e "$handshake_batch" >&2; then
    echo "FAIL: unexpected batch layout" >&2
    exit 1
fi
echo "first stand-in: $(grep -c '^block ' first.out) link(s), $(grep '^rate ' first.out | tail -n1)"

# Killed: the gauge must notice and come back to a new stand-in by itself.
kill -9 "$standin_pid"
wait "$standin_pid" 2>/dev/null || true
standin_pid=
start=$SECONDS
start_standin second.out
wait_for second.out "$handshake_write" 60
wait_for second.out "$poll_batch" 30
wait_for second.out "rate " 30 2
echo "reconnected within $((SECONDS - start)) s of the restart; $(grep '^rate ' second.out | tail -n1)"
echo "1 passed, 0 failed"
