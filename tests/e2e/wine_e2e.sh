#!/usr/bin/env bash
# The Windows gauge end to end under Wine: vor-tavrin.exe (a build that also
# writes each frame it presents, read back from the Direct3D 9 back buffer,
# to frame.raw) against sim-standin.exe in a process of its own; frames
# checked against the software reference's rendering of the same states.
#
#   wine_e2e.sh EMULATOR GAUGE_FRAMEDUMP_EXE STANDIN_EXE FRAME_SOFT_EXE WINDOW_PROBE_EXE
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
emulator="$1" gauge="$2" standin="$3" soft="$4" probe="$5"
e2e_need_display
cd "$E2E_WORK"
title="VOR Tavrin - 1.01"

gauge_pid=
STANDIN_CMD=("$emulator" "$standin")
probe_run() { "$emulator" "$probe" "$@" | tr -d '\r'; }

start_gauge() {
    rm -f frame.raw
    spawn gauge_pid "$emulator" "$gauge" >"$E2E_WORK/gauge.log" 2>&1
    probe_run find "$title" 30000 >"$E2E_WORK/find.txt"
}
close_gauge() { # the close request; true when the gauge ended with code 0 in time
    probe_run close "$title" >/dev/null || return 1
    local deadline=$((SECONDS + 15))
    while kill -0 "$gauge_pid" 2>/dev/null; do
        ((SECONDS > deadline)) && return 1
        sleep 0.1
    done
    wait "$gauge_pid"
}
# wait_frame REF.png SECONDS: until the last presented frame shows REF.
WAITED=0
wait_frame() {
    local ref="$1" limit_ms=$(($2 * 1000)) start
    start=$(now_ms)
    while true; do
        if [[ -f frame.raw ]] &&
            convert -size 300x300 -depth 8 BGRA:frame.raw -alpha off now.png 2>/dev/null &&
            pictures_match now.png "$ref"; then
            WAITED=$(($(now_ms) - start))
            return 0
        fi
        if (($(now_ms) - start > limit_ms)); then
            echo "  the frame still differs from $ref in $(differing_pixels now.png "$ref") pixels"
            cp now.png "last-mismatch-$(basename "$ref")"
            return 1
        fi
        sleep 0.1
    done
}

# The references, drawn in one sequence by the software compositor, each
# over the one before as the gauge draws them.
# connected,toFrom,loc,obs,gsFlag,gs,lights,lightSetting
refs=(
    "0,0,0,0,0,0,0,1"          # 0 start-up
    "1,1,64,90,1,-30,0,1"      # 1 connected
    "0,1,64,90,1,-30,0,1"      # 2 lost, values kept
    "1,2,-100,270,0,90,32,1"   # 3 reconnected, new values, panel lights
)
"$emulator" "$soft" "$E2E_WORK/ref-" "${refs[@]}" >/dev/null
for i in "${!refs[@]}"; do
    convert -size 300x300 -depth 8 "BGRA:ref-$i.raw" -alpha off "ref-$i.png"
done

# --- start-up without a simulator -----------------------------------------------
start_gauge
check "the window opens with its title and a 300 x 300 client area" \
    grep -qx "client=300x300" find.txt
check "start-up without a simulator: flags and lamp" wait_frame ref-0.png 20

# --- the stand-in started later ----------------------------------------------------
check "the stand-in starts" start_standin --set tofrom=1 --set loc=64 --set obs=90 \
    --set gsflag=1 --set gs=-30 --set lights=0
check "connected: the lamp goes and the values show" wait_frame ref-1.png 20
echo "  drawn ${WAITED} ms after the stand-in was ready"

# --- killed: lamp back, needles where they were --------------------------------------
kill_standin
check "the stand-in killed: the lamp is back, the values kept" wait_frame ref-2.png 20
echo "  the loss was drawn after ${WAITED} ms"

# --- restarted: reconnected ---------------------------------------------------------
check "the stand-in restarts" start_standin --set tofrom=2 --set loc=-100 --set obs=270 \
    --set gsflag=0 --set gs=90 --set lights=0x20
check "reconnected with the new values and the panel light" wait_frame ref-3.png 20
kill_standin
wait_frame ref-2.png 20 >/dev/null || true

# --- a stand-in that stops answering: the gauge still moves and closes --------------
check "a stand-in that will stop answering starts" start_standin --set tofrom=1 --set loc=64 \
    --set obs=90 --set gsflag=1 --set gs=-30 --set lights=0 --faults-after 30 --no-answer
check "it connects" wait_frame ref-1.png 20
sleep 1 # past the batches it answers: the poller now waits in its send
probe_run move "$title" 210 120 >/dev/null
check "while the link thread waits the window moves" bash -c \
    "'$emulator' '$probe' find '$title' 2000 | tr -d '\r' | grep -qx 'outer=210,120'"
t0=$(now_ms)
check "and it closes with exit code 0" close_gauge
echo "  closed $(($(now_ms) - t0)) ms after the close request"
check "the position was saved" grep -q $'^PosWindowX = 210\r$' Brivane.ini
kill_standin

# --- reopened at the same place -------------------------------------------------------
start_gauge
check "reopened where it was closed" grep -qx "outer=210,120" find.txt
check "the gauge closes" close_gauge

# --- a read-only settings file is left untouched ----------------------------------------
chmod 0444 Brivane.ini
cp Brivane.ini before.ini
start_gauge
probe_run move "$title" 50 60 >/dev/null
check "the gauge closes" close_gauge
check "the read-only file is unchanged" cmp -s before.ini Brivane.ini

e2e_finish
