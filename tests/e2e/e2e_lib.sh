# Sourced by the end-to-end scripts: a private working directory, link
# directory and (when none is given) X display; processes started through
# `spawn` are ended by PID at the end, and only those.
set -euo pipefail

E2E_WORK="$(mktemp -d)"
export VOR_IPC_DIR="$E2E_WORK/ipc"
mkdir -m 700 "$VOR_IPC_DIR"
E2E_PIDS=()
E2E_FAILED=0
E2E_PASSED=0
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/xvfb.sh"

e2e_cleanup() {
    local p
    for p in "${E2E_PIDS[@]}"; do kill -9 "$p" 2>/dev/null || true; done
    for p in "${E2E_PIDS[@]}"; do wait "$p" 2>/dev/null || true; done
    stop_xvfb
    if [[ $E2E_FAILED -ne 0 && -n "${E2E_KEEP:-}" ]]; then
        echo "kept $E2E_WORK"
    else
        rm -rf "$E2E_WORK"
    fi
}
trap e2e_cleanup EXIT

e2e_need_display() {
    if [[ -z "${DISPLAY:-}" ]] || ! xdpyinfo >/dev/null 2>&1; then
        start_xvfb
    fi
}

# spawn VAR command...: start in the background, remember the PID in VAR.
spawn() {
    local var="$1"
    shift
    "$@" &
    local pid=$!
    E2E_PIDS+=("$pid")
    printf -v "$var" '%s' "$pid"
}

now_ms() { date +%s%3N; }

check() { # check "what" condition-command...
    local what="$1"
    shift
    if "$@"; then
        echo "ok: $what"
        E2E_PASSED=$((E2E_PASSED + 1))
    else
        echo "FAILED: $what"
        E2E_FAILED=$((E2E_FAILED + 1))
    fi
}

e2e_finish() {
    echo "$E2E_PASSED passed, $E2E_FAILED failed"
    [[ $E2E_FAILED -eq 0 ]]
}

# Pixels of A and B that differ by more than 6 % in a channel.
differing_pixels() {
    compare -metric AE -fuzz 6% "$1" "$2" null: 2>&1 | sed 's/[^0-9].*//' || true
}

# True when the picture A matches B but for the seams, where earlier frames
# show through a little (about 50 pixels here; the lamp alone differs in
# about 700, a needle moved by one step in about 450).
pictures_match() {
    local n
    n="$(differing_pixels "$1" "$2")"
    [[ -n "$n" && "$n" -lt 200 ]]
}

# The stand-in, in a process of its own. The caller sets STANDIN_CMD to the
# command that starts it (with the emulator first under Wine).
STANDIN_CMD=()
standin_pid=
standin_runs=0
# start_standin args...: true once it owns its window class.
start_standin() {
    standin_runs=$((standin_runs + 1))
    local log="$E2E_WORK/standin-$standin_runs.log"
    spawn standin_pid "${STANDIN_CMD[@]}" "$@" >"$log" 2>&1
    local deadline=$((SECONDS + 30))
    until grep -q '^ready' "$log"; do
        if ! kill -0 "$standin_pid" 2>/dev/null || ((SECONDS > deadline)); then
            echo "  the stand-in did not start: $(tr -d '\r' <"$log")"
            return 1
        fi
        sleep 0.05
    done
}
kill_standin() {
    kill -9 "$standin_pid" 2>/dev/null || true
    wait "$standin_pid" 2>/dev/null || true
}
