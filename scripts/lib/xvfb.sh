# Sourced: start_xvfb starts an Xvfb of our own on a free display, exports
# DISPLAY and XVFB_PID; stop_xvfb ends that one process, by its PID.
start_xvfb() {
    local n=${VOR_XVFB_FIRST:-91}
    local tries
    for tries in 1 2 3 4 5 6 7 8; do
        while [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]]; do n=$((n + 1)); done
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        export DISPLAY=":$n"
        local deadline=$((SECONDS + 30))
        until xdpyinfo >/dev/null 2>&1; do
            if ((SECONDS > deadline)) || ! kill -0 "$XVFB_PID" 2>/dev/null; then
                break
            fi
            sleep 0.1
        done
        # Two scripts starting at once may pick the same number: the server
        # that answers must be ours (its lock file holds its PID), or we try
        # the next number.
        if kill -0 "$XVFB_PID" 2>/dev/null && xdpyinfo >/dev/null 2>&1 &&
            [[ "$(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null)" == "$XVFB_PID" ]]; then
            return 0
        fi
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
        n=$((n + 1))
    done
    XVFB_PID=
    echo "Xvfb did not start" >&2
    return 1
}

stop_xvfb() {
    if [[ -n "${XVFB_PID:-}" ]]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    fi
}
