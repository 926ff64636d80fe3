#!/usr/bin/env bash
# Builds a static libpng for MinGW-w64 x86_64 from Debian's libpng1.6 source
# package (Debian's patches applied), against zlib from libz-mingw-w64-dev.
# The result is cached outside the source tree; a second run does nothing.
#
#   scripts/build-libpng-mingw.sh            prints the install prefix
#
# Needs: dpkg-dev, cmake, g++-mingw-w64-x86-64-posix, libz-mingw-w64-dev,
# and a deb-src entry for the archive (added here when missing).
set -euo pipefail

cache="${VOR_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/vor-tavrin}"
prefix="$cache/libpng-mingw"
if [[ -f "$prefix/lib/libpng16.a" && -f "$prefix/include/png.h" ]]; then
    echo "$prefix"
    exit 0
fi

ensure_deb_src() {
    if grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ 2>/dev/null ||
       grep -qs '^deb-src' /etc/apt/sources.list 2>/dev/null; then
        return
    fi
    # Same archive and suites as the binary entries.
    local src=/etc/apt/sources.list.d/debian.sources
    if [[ -f "$src" ]]; then
        sed 's/^Types: deb$/Types: deb-src/' "$src" > /etc/apt/sources.list.d/vor-tavrin-src.sources
    else
        grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' > /etc/apt/sources.list.d/vor-tavrin-src.list
    fi
    apt-get update -qq >/dev/null
}

work="$cache/libpng-src"
rm -rf "$work"
mkdir -p "$work"
cd "$work"
ensure_deb_src
# The newest source version is not always on every mirror: try each in turn.
fetched=0
for v in $(apt-cache showsrc libpng1.6 | sed -n 's/^Version: //p' | sort -rV | uniq); do
    if apt-get source -qq "libpng1.6=$v" >/dev/null 2>&1; then fetched=1; break; fi
    rm -rf "$work"/*
done
[[ $fetched = 1 ]] || { echo "could not fetch Debian's libpng1.6 source" >&2; exit 1; }
srcdir="$(find "$work" -maxdepth 1 -type d -name 'libpng1.6-*' | head -n1)"
[[ -n "$srcdir" ]] || { echo "libpng source not found" >&2; exit 1; }

zinc=/usr/x86_64-w64-mingw32/include
zlib=/usr/x86_64-w64-mingw32/lib/libz.a
[[ -f "$zlib" ]] || { echo "zlib for MinGW missing (libz-mingw-w64-dev)" >&2; exit 1; }

cmake -S "$srcdir" -B "$work/build" -G Ninja \
    -DCMAKE_SYSTEM_NAME=Windows \
    -DCMAKE_C_COMPILER=x86_64-w64-mingw32-gcc-posix \
    -DCMAKE_RC_COMPILER=x86_64-w64-mingw32-windres \
    -DCMAKE_FIND_ROOT_PATH=/usr/x86_64-w64-mingw32 \
    -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY \
    -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DZLIB_INCLUDE_DIR="$zinc" -DZLIB_LIBRARY="$zlib" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DPNG_BUILD_ZLIB=OFF -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_FILES=ON \
    -DSKIP_INSTALL_EXPORT=ON >"$work/configure.log" 2>&1 ||
    { cat "$work/configure.log" >&2; exit 1; }
cmake --build "$work/build" >"$work/build.log" 2>&1 || { tail -50 "$work/build.log" >&2; exit 1; }
cmake --install "$work/build" >/dev/null
# Some libpng versions name the static library libpng16_static.a or libpng.a.
if [[ ! -f "$prefix/lib/libpng16.a" ]]; then
    for alt in libpng16_static.a libpng.a; do
        [[ -f "$prefix/lib/$alt" ]] && cp "$prefix/lib/$alt" "$prefix/lib/libpng16.a" && break
    done
fi
[[ -f "$prefix/lib/libpng16.a" ]] || { echo "libpng16.a was not produced" >&2; exit 1; }
rm -rf "$work"
echo "$prefix"
