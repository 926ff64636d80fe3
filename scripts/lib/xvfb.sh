# Sourced: start_xvfb starts an Xvfb of our own on a free display, exports
# DISPLAY and XVFB_PID; stop_xvfb ends that one process, by its PID.
start_xvfb() {
    # One script at a time picks a number and starts its server: two that
    # pick the same free number at once end up sharing one server and end it
    # under each other.
    local guard
    exec {guard}>>/tmp/vor-tavrin-xvfb.lock
    flock "$guard"
    local n=${VOR_XVFB_FIRST:-91}
    while [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 {guard}>&- &
    XVFB_PID=$!
    export DISPLAY=":$n"
    local deadline=$((SECONDS + 30))
    until xdpyinfo >/dev/null 2>&1; do
        if ((SECONDS > deadline)) || ! kill -0 "$XVFB_PID" 2>/dev/null; then
            echo "Xvfb did not start on $DISPLAY" >&2
            exec {guard}>&-
            return 1
        fi
        sleep 0.1
    done
    exec {guard}>&-
}

stop_xvfb() {
    if [[ -n "${XVFB_PID:-}" ]]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    fi
}
