#!/usr/bin/env bash
# Renders the pictures of docs/gallery/ with vor-snapshot (the software
# compositor and the built-in artwork, exactly as the native window draws).
#   scripts/make-gallery.sh [BUILD_DIR]     default build/linux-release
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build/linux-release}"
if [[ ! -x "$build/tools/vor-snapshot/vor-snapshot" ]]; then
    cmake --preset linux-release -S "$root" >/dev/null
    cmake --build "$build" --target vor-snapshot
fi
snap="$build/tools/vor-snapshot/vor-snapshot"
out="$root/docs/gallery"
mkdir -p "$out"
# Each picture is drawn after the start-up frame, as the gauge draws it.
"$snap" -o "$out/startup.png"
"$snap" --then --connected 1 --to-from 1 --loc 0 --obs 84 --gs-flag 0 -o "$out/to-on-course.png"
"$snap" --then --connected 1 --to-from 2 --loc -70 --gs 45 --obs 264 --gs-flag 0 -o "$out/from-deflected.png"
"$snap" --then --connected 1 --to-from 1 --loc 12 --gs -8 --obs 84 --gs-flag 1 -o "$out/glide-slope-captured.png"
"$snap" --then --connected 1 --to-from 1 --loc -25 --gs 20 --obs 84 --gs-flag 1 --lights 0x20 -o "$out/panel-lights.png"
"$snap" --then --connected 1 --to-from 1 --loc 30 --gs -15 --obs 84 --gs-flag 1 \
    --then --connected 0 -o "$out/link-lost.png"
montage "$out/startup.png" "$out/to-on-course.png" "$out/from-deflected.png" \
    "$out/glide-slope-captured.png" "$out/panel-lights.png" "$out/link-lost.png" \
    -tile 3x2 -geometry +6+6 -background '#1b1d1e' "$out/gallery.png"
echo "written: $out"
