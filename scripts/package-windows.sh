#!/usr/bin/env bash
# scripts/package-windows.sh - builds the Windows package
# build/package/vor-tavrin-1.01-win64.zip: vor-tavrin.exe, sim-standin.exe
# and a short README.txt for pilots (CR LF line ends).
#
#   scripts/package-windows.sh
#
# Builds the windows preset (MinGW-w64) in build/bench-windows, or in
# VOR_PACKAGE_BUILD. Fails when either executable imports anything but
# system DLLs (checked with x86_64-w64-mingw32-objdump -p): the gauge must
# run from any folder without extra DLLs beside it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VOR_PACKAGE_BUILD:-$root/build/bench-windows}"
version=1.01
out="$root/build/package"
zipname="vor-tavrin-$version-win64.zip"

if [[ -z "${VOR_LIBPNG_PREFIX:-}" ]]; then
    VOR_LIBPNG_PREFIX="$(bash "$root/scripts/build-libpng-mingw.sh")"
    export VOR_LIBPNG_PREFIX
fi
cmake --preset windows -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j2 --target vor-tavrin sim-standin >/dev/null
gauge="$build/app/vor-tavrin.exe"
standin="$build/tools/sim-standin/sim-standin.exe"

# What Windows itself provides. Anything else (libstdc++-6, libgcc_s_seh-1,
# libwinpthread-1, zlib1, libpng16 ...) would have to ship beside the exe.
system_dll='^(kernel32|user32|gdi32|winmm|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+|advapi32|shell32|ole32|comctl32|comdlg32|d3d9|ntdll|ws2_32|shlwapi|version)\.dll$'
status=0
for exe in "$gauge" "$standin"; do
    [[ -f "$exe" ]] || { echo "package: $exe was not built" >&2; exit 1; }
    mapfile -t dlls < <(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print $3}')
    ((${#dlls[@]} > 0)) || { echo "package: no imports found in $exe" >&2; exit 1; }
    for dll in "${dlls[@]}"; do
        if ! [[ "${dll,,}" =~ $system_dll ]]; then
            echo "package: $(basename "$exe") imports $dll, which is not a system DLL" >&2
            status=1
        fi
    done
    echo "$(basename "$exe") imports: ${dlls[*]}"
done
((status == 0)) || exit 1

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
dir="$stage/vor-tavrin-$version"
mkdir "$dir"
cp "$gauge" "$standin" "$dir/"
sed 's/$/\r/' >"$dir/README.txt" <<EOF
VOR Tavrin $version - a VOR/GS indicator beside your flight simulator
=================================================================

What it is
  A small always-on-top window (300 x 300) that shows one cockpit
  instrument: the course deviation needle, the glide-slope needle, the
  OBS course card, the TO/FROM indicator, the NAV and GS "OFF" flags and
  the panel lighting. It reads the simulator's NAV receiver through the
  simulator's IPC server about a thousand times a second and redraws only
  when something changes. Apart from announcing itself when it connects,
  it only reads from the simulator.

Running it beside the simulator
  1. Unpack this folder anywhere; nothing needs installing and no other
     DLL is needed (Windows 7 or later, 64-bit, Direct3D 9).
  2. Start the simulator with its IPC server, then vor-tavrin.exe (or the
     other way round: the gauge connects within a second of the server
     appearing, and reconnects by itself if the simulator restarts).
  3. The red lamp is lit while no simulator is connected.
  4. Drag the window where you want it and close it with its close box;
     it opens in the same place next time.

Trying it without a simulator
  Start sim-standin.exe --approach, then vor-tavrin.exe: the stand-in
  plays the simulator's IPC server with a scripted ILS approach that
  loops every 60 seconds. sim-standin.exe --help lists the other options
  (fixed values, timelines, faults). Close the stand-in with Ctrl+C.

Settings: Brivane.ini
  The gauge keeps its settings in Brivane.ini in the folder it is
  started from (its working directory, which for a shortcut is the
  "Start in" folder). It holds the window position (PosWindowX,
  PosWindowY) and "light": set light = 0 to never show the red
  panel-light overlay. The file is written when the gauge is closed; a
  read-only Brivane.ini is read but never changed.
EOF
mkdir -p "$out"
rm -f "$out/$zipname"
(cd "$stage" && zip -q -X -r "$out/$zipname" "vor-tavrin-$version")
echo "wrote $out/$zipname"
unzip -l "$out/$zipname"
