#!/usr/bin/env bash
# The native gauge end to end: the real window under X, the stand-in in a
# process of its own, pictures checked against vor-snapshot's rendering of
# the same state (which uses the same compositor and artwork).
#
#   native_e2e.sh GAUGE STANDIN SNAPSHOT X11_PROBE
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
gauge="$1" standin="$2" snapshot="$3" probe="$4"
e2e_need_display
cd "$E2E_WORK"

gauge_pid=
wid=
STANDIN_CMD=("$standin")

gauge_runs=0
start_gauge() {
    gauge_runs=$((gauge_runs + 1))
    spawn gauge_pid "$gauge" >"$E2E_WORK/gauge-$gauge_runs.log" 2>&1
    wid=
    local deadline=$((SECONDS + 20))
    while [[ -z "$wid" ]]; do
        wid="$(xdotool search --name '^VOR Tavrin - 1\.01$' 2>/dev/null | head -n1 || true)"
        if ((SECONDS > deadline)); then
            echo "the gauge window did not appear: $(cat "$E2E_WORK/gauge-$gauge_runs.log")"
            E2E_FAILED=$((E2E_FAILED + 1))
            return 1
        fi
        if [[ -z "$wid" ]]; then sleep 0.05; fi
    done
    return 0
}

stop_gauge_by_close() { # the close request; true when it ended with code 0 in time
    "$probe" close "$wid" >/dev/null || return 1
    local deadline=$((SECONDS + 10))
    while kill -0 "$gauge_pid" 2>/dev/null; do
        ((SECONDS > deadline)) && return 1
        sleep 0.05
    done
    wait "$gauge_pid"
}

shot() { import -window "$wid" "$1" 2>/dev/null; }

reference() { # reference FILE snapshot-args...
    local file="$1"
    shift
    "$snapshot" "$@" -o "$file"
}

# wait_picture REF SECONDS: until the window shows REF; prints the time taken
# in ms into WAITED.
WAITED=0
wait_picture() {
    local ref="$1" limit_ms=$(($2 * 1000)) start
    start=$(now_ms)
    while true; do
        if shot "$E2E_WORK/now.png" && pictures_match "$E2E_WORK/now.png" "$ref"; then
            WAITED=$(($(now_ms) - start))
            return 0
        fi
        if (($(now_ms) - start > limit_ms)); then
            WAITED=$(($(now_ms) - start))
            echo "  the window still differs from $(basename "$ref") in" \
                 "$(differing_pixels "$E2E_WORK/now.png" "$ref") pixels"
            cp "$E2E_WORK/now.png" "$E2E_WORK/last-mismatch.png"
            return 1
        fi
        sleep 0.05
    done
}

# --- start-up without a simulator: flags and lamp ---------------------------
reference ref-start.png
start_gauge
check "start-up without a simulator shows the flags and the lamp" wait_picture ref-start.png 10

# --- the stand-in started later: lamp gone, values shown ---------------------
values=(--set tofrom=1 --set loc=64 --set obs=90 --set gsflag=1 --set gs=-30 --set lights=0)
reference ref-values.png --connected 1 --to-from 1 --loc 64 --obs 90 --gs-flag 1 --gs -30
start_standin "${values[@]}"
check "the stand-in started later: connected and the values shown" wait_picture ref-values.png 10
echo "  connected and drawn after ${WAITED} ms"
connect_ms=$WAITED

# --- each state of the instrument, one stand-in each (also reconnections) ----
# toFrom loc obs gsFlag gs lights
cases=(
    "0 0 0 0 0 0"
    "2 -127 270 1 127 0"
    "1 127 359 0 -128 0"
    "1 20 450 1 0 0x20"
    "255 20 450 1 0 0x20"
)
# Each reference is drawn over the one before, as the window draws: toFrom -1
# leaves the three windows as the frames before left them.
n=0
previous=(--connected 1 --to-from 1 --loc 64 --obs 90 --gs-flag 1 --gs -30)
losses=()
for c in "${cases[@]}"; do
    n=$((n + 1))
    read -r tf loc obs gsf gs lights <<<"$c"
    # Killed: the lamp comes back, the needles stay where they were.
    lost=("${previous[@]}" --connected 0)
    reference "ref-lost$n.png" "${previous[@]}" --then "${lost[@]}"
    kill_standin
    check "stand-in $((n - 1)) killed: the lamp is back, the values kept" \
        wait_picture "ref-lost$n.png" 10
    losses+=("$WAITED")
    # Restarted: connected again, the new values shown.
    current=(--connected 1 --to-from "$((tf > 127 ? tf - 256 : tf))" --loc "$loc" --obs "$obs"
             --gs-flag "$gsf" --gs "$gs" --lights "$lights")
    reference "ref-case$n.png" "${lost[@]}" --then "${current[@]}"
    previous=("${current[@]}")
    check "stand-in $n starts" start_standin --set tofrom="$tf" --set loc="$loc" --set obs="$obs" \
        --set gsflag="$gsf" --set gs="$gs" --set lights="$lights"
    check "reconnected, state: toFrom $tf loc $loc obs $obs gsFlag $gsf gs $gs lights $lights" \
        wait_picture "ref-case$n.png" 10
done
echo "  each loss was drawn after: ${losses[*]} ms"
for ms in "${losses[@]}"; do
    check "the loss shows within 3 s ($ms ms)" test "$ms" -le 3000
done

# --- a stand-in that stops answering: the gauge still moves, repaints, closes -
kill_standin
start_standin "${values[@]}" --faults-after 30 --no-answer
check "a stand-in that will stop answering connects" wait_picture ref-values.png 10
sleep 0.5 # past the batches it still answers: the poller now waits in its send
xdotool windowmove "$wid" 321 123
check "while the link thread waits, the window moves" bash -c \
    "for i in \$(seq 100); do [[ \$('$probe' where $wid | cut -d' ' -f1-2) == '321 123' ]] && exit 0; sleep 0.05; done; exit 1"
check "and repaints the last frame" wait_picture ref-values.png 5
t0=$(now_ms)
check "and closes with exit code 0" stop_gauge_by_close
echo "  closed $(($(now_ms) - t0)) ms after the close request"
check "the position was saved" grep -q $'^PosWindowX = 321\r$' Brivane.ini
kill_standin

# --- the light setting off: no overlay -----------------------------------------
printf '[system]\r\nlight = 0\r\nPosWindowX = 0\r\nPosWindowY = 0\r\n' >Brivane.ini
reference ref-nolight.png --connected 1 --to-from 1 --lights 0x20 --light-setting 0
start_standin --set tofrom=1 --set loc=0 --set obs=0 --set gsflag=0 --set gs=0 --set lights=0x20
start_gauge
check "light setting 0: no overlay with the panel lights on" wait_picture ref-nolight.png 10
check "the gauge closes" stop_gauge_by_close
kill_standin

# --- a read-only settings file is left untouched -------------------------------
printf '[system]\r\nlight = 1\r\nPosWindowX = 40\r\nPosWindowY = 30\r\n' >Brivane.ini
chmod 0444 Brivane.ini
cp Brivane.ini before.ini
start_gauge
check "the read-only file's position is used" bash -c \
    "for i in \$(seq 100); do [[ \$('$probe' where $wid | cut -d' ' -f1-2) == '40 30' ]] && exit 0; sleep 0.05; done; exit 1"
xdotool windowmove "$wid" 200 100
sleep 0.3
check "the gauge closes" stop_gauge_by_close
check "the read-only file is unchanged" cmp -s before.ini Brivane.ini

echo "figures: connect-to-picture ${connect_ms} ms, loss-to-lamp ${losses[*]} ms"
e2e_finish
