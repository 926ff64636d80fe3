#!/usr/bin/env bash
# run_gauge_exe_test.sh - the real vor-tavrin.exe under Wine, driven from
# outside by window_probe.exe as a user would drive it: its caption, client
# size and place (from "Brivane.ini", or 0,0 without it), moved and closed
# (the file then holds the final place byte for byte, exit code 0), and the
# start-up failure with Direct3D 9 unavailable (the "Erreur" box, OK, exit
# code 0, the file untouched).
#
#   run_gauge_exe_test.sh GAUGE_EXE PROBE_EXE WINE_RUNNER
#
# Uses DISPLAY and VOR_WINEPREFIX when set (scripts/test.sh), else starts an
# Xvfb of its own. Ends only the processes it started, by PID.
set -euo pipefail
gauge_exe="$(realpath "$1")"
probe_exe="$(realpath "$2")"
wine_run="$(realpath "$3")"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)"
title="VOR Tavrin - 1.01"

own_xvfb=0
if [[ -z "${DISPLAY:-}" ]]; then
    source "$root/scripts/lib/xvfb.sh"
    start_xvfb
    own_xvfb=1
fi
work="$(mktemp -d)"
gauge_pid=
failures=0

cleanup() {
    if [[ -n "$gauge_pid" ]] && kill -0 "$gauge_pid" 2>/dev/null; then
        kill "$gauge_pid" 2>/dev/null || true
        wait "$gauge_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
    if ((own_xvfb)); then stop_xvfb; fi
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
expect_line() { # output, line
    if ! grep -qxF -- "$2" <<<"$1"; then fail "expected '$2' in: $(tr '\n' ' ' <<<"$1")"; fi
}
probe() {
    "$wine_run" "$probe_exe" "$@" | tr -d '\r'
}
start_gauge() { # extra environment assignments...
    (cd "$work" && exec env "$@" "$wine_run" "$gauge_exe") &
    gauge_pid=$!
}
# Waits for the gauge to end by itself and leaves its exit code in gauge_rc
# (124 when it was still running after a minute and had to be ended).
wait_gauge() {
    local deadline=$((SECONDS + 60))
    while kill -0 "$gauge_pid" 2>/dev/null && ((SECONDS < deadline)); do sleep 0.1; done
    gauge_rc=0
    if kill -0 "$gauge_pid" 2>/dev/null; then
        kill "$gauge_pid" 2>/dev/null || true
        gauge_rc=124
    fi
    local status=0
    wait "$gauge_pid" 2>/dev/null || status=$?
    ((gauge_rc == 124)) || gauge_rc=$status
    gauge_pid=
}
# Waits until the gauge window is up and topmost (made so after its surface).
find_gauge() {
    local out= deadline=$((SECONDS + 60))
    while ((SECONDS < deadline)); do
        out="$(probe find "$title" 60000 || true)"
        if grep -qx "topmost=1" <<<"$out" || ! kill -0 "$gauge_pid" 2>/dev/null; then break; fi
        sleep 0.2
    done
    echo "$out"
}
ini_bytes() { # light x y
    printf '[system]\r\nlight = %s\r\nPosWindowX = %s\r\nPosWindowY = %s\r\n' "$1" "$2" "$3"
}
check_file() { # what, light x y
    ini_bytes "$2" "$3" "$4" >"$work/expected.ini"
    if ! cmp -s "$work/expected.ini" "$work/Brivane.ini"; then
        fail "$1: Brivane.ini is $(od -c "$work/Brivane.ini" 2>/dev/null | head -5 | tr '\n' ' ')"
    fi
}

echo "== resources: icon group 1, Common-Controls 6.0.0.0 manifest"
# Wine's drive Z: is the Unix root.
out="$(probe resources "Z:${gauge_exe//\//\\}" || true)"
expect_line "$out" "icon-group-1=1"
expect_line "$out" "manifest-common-controls-6=1"
grep '^icon=' <<<"$out" | tr '\n' ' '
echo

echo "== no settings file: at 0,0; moved twice and closed"
rm -f "$work/Brivane.ini"
start_gauge
out="$(find_gauge)"
expect_line "$out" "title=$title"
expect_line "$out" "client=300x300"
expect_line "$out" "outer=0,0"
expect_line "$out" "topmost=1"
expect_line "$(probe move "$title" 143 88)" "outer=143,88"
expect_line "$(probe move "$title" 151 97)" "outer=151,97"
probe close "$title" || fail "close not posted"
wait_gauge
((gauge_rc == 0)) || fail "exit code $gauge_rc after close"
check_file "final place stored" 1 151 97

echo "== settings file: placed where it says; moved and closed"
ini_bytes 0 210 -12 >"$work/Brivane.ini"
start_gauge
out="$(find_gauge)"
expect_line "$out" "title=$title"
expect_line "$out" "client=300x300"
expect_line "$out" "outer=210,-12"
expect_line "$(probe move "$title" 5 6)" "outer=5,6"
probe close "$title" || fail "close not posted"
wait_gauge
((gauge_rc == 0)) || fail "exit code $gauge_rc after close"
check_file "light kept, final place stored" 0 5 6

echo "== Direct3D 9 unavailable: the message box, OK, exit code 0, file untouched"
ini_bytes 1 33 44 >"$work/Brivane.ini"
cp "$work/Brivane.ini" "$work/before.ini"
start_gauge WINEDLLOVERRIDES="mscoree,mshtml,d3d9="
out="$(probe press-ok "Erreur" 60000 || true)"
# "Impossible d'ouvrir un écran dans la fenêtre!" in Windows-1252.
text_hex="$(printf 'Impossible d'"'"'ouvrir un \xe9cran dans la fen\xeatre!' | od -An -tx1 | tr -d ' \n' | tr a-f A-F)"
expect_line "$out" "text-hex=$text_hex"
expect_line "$out" "buttons=OK"
expect_line "$out" "owner=$title"
wait_gauge
((gauge_rc == 0)) || fail "exit code $gauge_rc after OK"
cmp -s "$work/before.ini" "$work/Brivane.ini" || fail "Brivane.ini changed on the failure path"

if ((failures)); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
