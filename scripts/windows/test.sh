#!/usr/bin/env bash
# Builds the Windows program with its test suites and runs them under Wine:
#   1. the Qt Test suites, cross-built, under Wine (offscreen), the server
#      store's against a private PostgreSQL server over TCP;
#   2. the setup program: silent install; the installed program through the
#      end-to-end tests of the Linux build (build-test, made by ./test.sh) on
#      Xvfb with openbox: at work in %LOCALAPPDATA%\Trelomar, F2, F7, the
#      Access conversion, the end of the session; silent uninstall that keeps
#      the tickets.
# Each part prints its time. Called by ./test.sh --windows.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/scripts/packages.sh"
source "$root/scripts/version.sh"
version="$(trelomar_version)"
"$root/scripts/ensure-packages.sh" "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"
started=$SECONDS
lap() { echo "test-windows: $1 took $((SECONDS - started)) s" >&2; started=$SECONDS; }

out="$root/build-windows/out"
export TRELOMAR_WINDOWS_BUILD="$root/build-windows"
TRELOMAR_WINDOWS_TESTS=ON "$root/scripts/windows/build.sh" "$out" >/dev/null
lap "building (libraries, program, tests, setup program)"
export TRELOMAR_WINDOWS_SDK="$("$root/scripts/windows/sdk.sh" 2>/dev/null)"
# One Wine prefix for this run, made before anything runs in it.
export WINEPREFIX="$(mktemp -d /tmp/trelomar-wine.XXXXXX)"
pgdir="$(mktemp -d /tmp/trelomar-pg.XXXXXX)"
# Wine's window system needs an X server even for Qt's offscreen tests (its
# message windows): a private Xvfb on a free display. It is ended by its own
# process id, never by its command line, which another run's Xvfb shares.
exec 8< <(exec Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null)
xvfb=$!
read -r display <&8
export DISPLAY=":$display"
cleanup() {
    kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null || true
    "$root/scripts/start-postgres.sh" --stop "$pgdir" || true
    WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
"$root/scripts/windows/wine-run.sh" cmd /c exit 0 >/dev/null 2>&1 || true
lap "making the Wine prefix"
[ -x "$root/scripts/start-printer.sh" ] && "$root/scripts/start-printer.sh" || true

# 1. The suites. libpq for Windows reaches the server over TCP only.
if url="$("$root/scripts/start-postgres.sh" --tcp "$pgdir")"; then
    export TRELOMAR_PG_URL="$url"
elif [ "${CI:-}" = "true" ]; then
    echo "test-windows: the PostgreSQL test server could not be started" >&2
    exit 1
fi
(cd "$TRELOMAR_WINDOWS_BUILD" && ctest --output-on-failure --timeout 900)
lap "the test suites under Wine"

# 2. The setup program, and the installed program through the end-to-end
# tests of the Linux build (./test.sh makes it).
e2e="$root/build-test/tests/e2e/tst_e2e"
if [ ! -x "$e2e" ]; then
    cmake -S "$root" -B "$root/build-test" -DCMAKE_BUILD_TYPE=Debug -DTRELOMAR_SANITIZE=ON >/dev/null
    cmake --build "$root/build-test" --target tst_e2e --parallel "$(nproc)" >/dev/null
fi
"$root/scripts/windows/test-setup.sh" "$out/trelomar-setup-$version.exe"
lap "the setup program under Wine"
