#!/usr/bin/env bash
# Builds the Windows libraries the program links (SQLite, libpq, libmdb, qtbase) with MinGW-w64,
# each into a cache folder keyed by its own build script, so a later run reuses what is built.
# Prints the SDK folder (the prefix holding every part) on stdout.
#   scripts/windows/sdk.sh            build what is missing
#   TRELOMAR_WINDOWS_CACHE=DIR        where the cache lives (default ~/.cache/trelomar-windows)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
source "$root/scripts/packages.sh"
"$root/scripts/ensure-packages.sh" "${BUILD_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" >&2

cache="${TRELOMAR_WINDOWS_CACHE:-$HOME/.cache/trelomar-windows}"
# Qt refuses to build below a symbolic link: work in the folder's real path.
mkdir -p "$cache/src" && cache="$(cd "$cache" && pwd -P)"
jobs="$(nproc)"
toolchain="$root/cmake/mingw-w64.cmake"

# The source packages come from Debian's deb-src entry for the machine's own release.
ensure_deb_src() {
    grep -rqs '^Types: deb-src' /etc/apt/sources.list.d/ && return 0
    local sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo tee /etc/apt/sources.list.d/trelomar-deb-src.sources >/dev/null <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
    $sudo apt-get update -qq
}

# source_of PACKAGE: unpacks Debian's source package once and prints its folder.
source_of() {
    local dir
    dir="$(find "$cache/src" -maxdepth 1 -type d -name "$1-[0-9]*" | head -n1)"
    if [ -z "$dir" ]; then
        ensure_deb_src >&2
        (cd "$cache/src" && apt-get source -qq "$1" >&2 2>/dev/null) || (cd "$cache/src" && apt-get source "$1" >&2)
        dir="$(find "$cache/src" -maxdepth 1 -type d -name "$1-[0-9]*" | head -n1)"
    fi
    echo "$dir"
}

# write_pc FILE NAME DESCRIPTION VERSION LIBRARY: a pkg-config file for a part's DLL, valid wherever the SDK lies.
write_pc() {
    mkdir -p "$PREFIX/lib/pkgconfig"
    cat >"$PREFIX/lib/pkgconfig/$1.pc" <<PC
prefix=\${pcfiledir}/../..
libdir=\${prefix}/lib
includedir=\${prefix}/include
Name: $2
Description: $3
Version: $4
Libs: -L\${libdir} -l$5
Cflags: -I\${includedir}
PC
}

# part NAME DEPENDENCY...: builds scripts/windows/sdk/NAME.sh into its own keyed prefix unless it is there.
# The key covers the part's script and its folder of sources, the compiler and the keys of the
# parts it builds on.
declare -A keys prefixes
part() {
    local name="$1"; shift
    local key
    key="$({ cat "$here/sdk/$name.sh"; [ ! -d "$here/sdk/$name" ] || find "$here/sdk/$name" -type f | sort | xargs cat
             x86_64-w64-mingw32-g++-posix --version; for dep in "$@"; do echo "${keys[$dep]}"; done; } \
        | sha256sum | cut -c1-16)"
    keys[$name]="$key"
    local prefix="$cache/$name-$key"
    prefixes[$name]="$prefix"
    if [ ! -f "$prefix/.built" ]; then
        echo "sdk: building $name (cache $prefix)" >&2
        local started=$SECONDS
        rm -rf "$prefix" "$prefix.work"
        mkdir -p "$prefix.work"
        local deps=()
        for dep in "$@"; do deps+=("${prefixes[$dep]}"); done
        ( cd "$prefix.work" && PREFIX="$prefix" DEPS="${deps[*]}" TOOLCHAIN="$toolchain" JOBS="$jobs" \
            source "$here/sdk/$name.sh" ) >"$prefix.log" 2>&1 || { tail -n 40 "$prefix.log" >&2; echo "sdk: $name failed, log in $prefix.log" >&2; exit 1; }
        rm -rf "$prefix.work"
        mkdir -p "$prefix" && touch "$prefix/.built"
        echo "sdk: $name built in $((SECONDS - started)) s" >&2
    fi
}

part sqlite
part libpq
part libmdb
part qtbase sqlite

# One folder with every part, as the program's build expects it.
sdk="$cache/sdk-$(printf '%s' "${keys[*]}" | sha256sum | cut -c1-16)"
if [ ! -f "$sdk/.built" ]; then
    rm -rf "$sdk"; mkdir -p "$sdk"
    for name in sqlite libpq libmdb qtbase; do cp -a "${prefixes[$name]}/." "$sdk/"; done
    rm -f "$sdk/.built"; touch "$sdk/.built"
fi
echo "$sdk"
