#!/usr/bin/env bash
# Builds the Windows program with MinGW-w64 and its setup program:
#   scripts/windows/build.sh OUTDIR     makes OUTDIR/trelomar-setup-VERSION.exe
# The libraries come from scripts/windows/sdk.sh (built once, then cached).
#   TRELOMAR_WINDOWS_BUILD=DIR   the build folder (default build-windows)
#   TRELOMAR_WINDOWS_TESTS=ON    also build the test suites
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
out="${1:?usage: scripts/windows/build.sh OUTDIR}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
source "$root/scripts/packages.sh"
source "$root/scripts/version.sh"
"$root/scripts/ensure-packages.sh" "${BUILD_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"

sdk="$("$root/scripts/windows/sdk.sh")"

# The icons are rendered by the build host's tool: its Qt reads SVG.
host="$root/build-host-tools"
cmake -S "$root" -B "$host" -DCMAKE_BUILD_TYPE=Release -DTRELOMAR_SANITIZE=OFF >/dev/null
cmake --build "$host" --target trelomar-render-icon --parallel "$(nproc)" >/dev/null

build="${TRELOMAR_WINDOWS_BUILD:-$root/build-windows}"
version="$(trelomar_version)"
cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DTRELOMAR_WINDOWS_SDK="$sdk" \
    -DCMAKE_BUILD_TYPE=Release -DTRELOMAR_HOST_RENDER_ICON="$host/packaging/trelomar-render-icon" \
    -DTRELOMAR_TESTS="${TRELOMAR_WINDOWS_TESTS:-OFF}" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/windows/wine-run.sh" \
    -DTRELOMAR_SETUP="$out/trelomar-setup-$version.exe" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
cmake --build "$build" --target trelomar-setup
echo "$out/trelomar-setup-$version.exe"
