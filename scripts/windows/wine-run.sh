#!/usr/bin/env bash
# Runs a Windows program of the build under Wine, finding its DLLs and Qt
# plugins in the SDK and the compiler's runtime. The build's test emulator.
#   TRELOMAR_WINDOWS_SDK   the SDK folder (scripts/windows/sdk.sh prints it)
#   WINEPREFIX             the Wine prefix to use (default: one beside the SDK)
set -euo pipefail
sdk="${TRELOMAR_WINDOWS_SDK:?set TRELOMAR_WINDOWS_SDK}"
export WINEPREFIX="${WINEPREFIX:-$sdk.wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
windows_path() { printf 'Z:%s' "$1" | tr '/' '\\'; }
runtime="$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")"
pthread="$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")"
export WINEPATH="$(windows_path "$sdk/bin");$(windows_path "$runtime");$(windows_path "$pthread")"
# Qt Test and qWarning write to the debugger rather than a redirected stdout or
# stderr unless told otherwise (Wine gives a test run under ctest no console).
export QT_FORCE_STDERR_LOGGING=1
export QT_PLUGIN_PATH="$(windows_path "$sdk/plugins")"
# Qt's offscreen platform reads fonts from a folder: the tests measure text in
# the fonts the Linux run uses.
export QT_QPA_FONTDIR="${QT_QPA_FONTDIR:-$(windows_path /usr/share/fonts/truetype/dejavu)}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    # One prefix for every test: made once, under a lock, before any runs in it.
    mkdir -p "$(dirname "$WINEPREFIX")"
    ( flock 9; [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1; wineserver -w ) 9>"$WINEPREFIX.lock"
fi
# Wine hands QT_* variables to a Windows program only when spelled WINEQT_*.
for name in $(compgen -e); do
    [[ "$name" != QT_* ]] || export "WINE$name=${!name}"
done
exec wine "$@"
