#!/usr/bin/env bash
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test headless.
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
# ./test.sh --windows: the Windows build, its tests under Wine and its setup program.
if [ "${1:-}" = "--windows" ]; then
    exec "$root/scripts/windows/test.sh"
fi
source "$root/scripts/packages.sh"
"$root/scripts/ensure-packages.sh" "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
[ -x "$root/scripts/start-printer.sh" ] && "$root/scripts/start-printer.sh" || true

# A private PostgreSQL server for the shop-server store's tests, stopped at the end.
pgdir="$(mktemp -d /tmp/trelomar-pg.XXXXXX)"
trap '"$root/scripts/start-postgres.sh" --stop "$pgdir"' EXIT
if url="$("$root/scripts/start-postgres.sh" "$pgdir")"; then
    export TRELOMAR_PG_URL="$url"
elif [ "${CI:-}" = "true" ]; then
    echo "test.sh: the PostgreSQL test server could not be started" >&2
    exit 1
else
    echo "test.sh: no PostgreSQL test server; its tests are skipped" >&2
fi

build="$root/build-test"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTRELOMAR_SANITIZE=ON >/dev/null
cmake --build "$build" --parallel "$(nproc)"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure --timeout 900 "$@"
