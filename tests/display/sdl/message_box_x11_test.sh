#!/usr/bin/env bash
# message_box_x11_test.sh HELPER - the start-up failure message box on an X
# display (run by with_own_xvfb.sh; an Xvfb of its own when DISPLAY is not
# set): it appears with the
# caption "Erreur", stays until the user answers, and goes with Return (its OK
# button's key). A screenshot of it is left in the working directory as
# message_box_x11.png. Ends only what it started, by PID.
set -uo pipefail
helper=$1
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../../scripts/lib/xvfb.sh"
own_xvfb=
helper_pid=
cleanup() {
    if [[ -n "$helper_pid" ]] && kill -0 "$helper_pid" 2>/dev/null; then
        kill "$helper_pid"
        wait "$helper_pid" 2>/dev/null
    fi
    if [[ -n "$own_xvfb" ]]; then stop_xvfb; fi
}
trap cleanup EXIT
if [[ -z "${DISPLAY:-}" ]]; then
    start_xvfb || exit 1
    own_xvfb=1
fi

until_true() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS > deadline)) && return 1
        sleep 0.05
    done
}
box=
find_box() {
    # Listed from the window tree: xdotool's search misses this window.
    box=$(xwininfo -root -tree 2>/dev/null | awk '$2 == "\"Erreur\":" { print $1; exit }')
    [[ -n "$box" ]]
}
helper_ended() { ! kill -0 "$helper_pid" 2>/dev/null; }

"$helper" &
helper_pid=$!
if ! until_true 60 find_box; then
    echo "FAIL: no window titled 'Erreur'" >&2
    kill -0 "$helper_pid" 2>/dev/null && echo "the helper still runs" >&2
    xwininfo -root -tree >&2
    exit 1
fi
# Modal: still there while nobody answers.
sleep 0.5
kill -0 "$helper_pid" 2>/dev/null || { echo "FAIL: the box went by itself" >&2; exit 1; }
import -window "$box" "$PWD/message_box_x11.png" 2>/dev/null
xdotool key --window "$box" Return
until_true 30 helper_ended || { echo "FAIL: Return did not dismiss the box" >&2; exit 1; }
wait "$helper_pid"
rc=$?
helper_pid=
[[ $rc -eq 0 ]] || { echo "FAIL: exit code $rc" >&2; exit 1; }
echo "all checks passed"
