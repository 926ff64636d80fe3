# Sourced: start_xvfb starts an Xvfb of our own on a free display, exports
# DISPLAY and XVFB_PID; stop_xvfb ends that one process, by its PID.
start_xvfb() {
    # The server picks a free display number itself (-displayfd) and tells
    # us which: choosing one here from the lock files races with other
    # scripts starting at the same moment, which then share one server and
    # end it under each other.
    local numfile
    numfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
    XVFB_PID=$!
    local deadline=$((SECONDS + 30))
    local n=
    # read succeeds once the whole line, newline included, is there.
    until read -r n <"$numfile" && [[ -n "$n" ]]; do
        if ((SECONDS > deadline)) || ! kill -0 "$XVFB_PID" 2>/dev/null; then
            rm -f "$numfile"
            echo "Xvfb did not start" >&2
            return 1
        fi
        sleep 0.05
    done
    export DISPLAY=":$n"
    rm -f "$numfile"
    until xdpyinfo >/dev/null 2>&1; do
        if ((SECONDS > deadline)) || ! kill -0 "$XVFB_PID" 2>/dev/null; then
            echo "Xvfb did not start on $DISPLAY" >&2
            return 1
        fi
        sleep 0.1
    done
}

stop_xvfb() {
    if [[ -n "${XVFB_PID:-}" ]]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    fi
}
