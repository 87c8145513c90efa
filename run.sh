#!/usr/bin/env bash
# Builds the program, prepares a working folder (default ./workspace) and starts it there.
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
source "$root/scripts/packages.sh"
"$root/scripts/ensure-packages.sh" "${BUILD_PACKAGES[@]}"

build="$root/build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target trelomar trelomar-db

work="${1:-$root/workspace}"
mkdir -p "$work"
work="$(cd "$work" && pwd)"
"$root/scripts/prepare-workspace.sh" "$root" "$build" "$work"

cd "$work"
exec "$build/trelomar"
