#!/usr/bin/env bash
# Regenerates the artwork into a temporary directory and compares it byte for
# byte with the committed files: gauge/art/*.png, the icon and docs/art/.
#   artgen_reproduces.sh VOR_ARTGEN SOURCE_DIR
set -euo pipefail
artgen=$1
src=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
mkdir -p "$out/art" "$out/docs"
"$artgen" "$out/art" "$out/vor-tavrin.ico" "$out/docs"
status=0
check() {
    if ! cmp -s "$1" "$2"; then
        echo "differs from a fresh drawing: $2" >&2
        status=1
    fi
}
count=0
for f in "$out"/art/*.png; do
    check "$f" "$src/gauge/art/$(basename "$f")"
    count=$((count + 1))
done
if [[ $count -ne 11 ]]; then
    echo "expected 11 images, the generator drew $count" >&2
    status=1
fi
# No stray committed image that the generator no longer draws.
for f in "$src"/gauge/art/*.png; do
    [[ -e "$out/art/$(basename "$f")" ]] || { echo "not drawn by the generator: $f" >&2; status=1; }
done
check "$out/vor-tavrin.ico" "$src/app/win32/vor-tavrin.ico"
for f in "$out"/docs/*.png; do
    check "$f" "$src/docs/art/$(basename "$f")"
done
exit $status
