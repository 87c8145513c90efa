#!/usr/bin/env bash
# The setup program under Wine, as a shop's administrator uses it:
#   test-setup.sh SETUP.exe
# installs silently (/S), checks the program folder, the Start-menu entry and
# the uninstaller's registration; runs the installed program (its own DLLs
# only) through the end-to-end tests: at work in %LOCALAPPDATA%\Trelomar from
# the first start, F2, F7, the Access conversion, the end of the session;
# uninstalls silently and checks that the tickets stay.
# Uses WINEPREFIX (a fresh one when unset) and the Linux build's tst_e2e.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
setup="$(cd "$(dirname "${1:?usage: test-setup.sh SETUP.exe}")" && pwd)/$(basename "$1")"
own_prefix=""
if [ -z "${WINEPREFIX:-}" ]; then
    export WINEPREFIX="$(mktemp -d /tmp/trelomar-wine.XXXXXX)"
    own_prefix=1
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEPATH QT_PLUGIN_PATH
fail() { echo "test-setup: FAIL: $*" >&2; exit 1; }
toolprefix=""
cleanup() {
    [ -n "$toolprefix" ] && { WINEPREFIX="$toolprefix" wineserver -k 2>/dev/null || true; rm -rf "$toolprefix"; }
    [ -n "$own_prefix" ] && { wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"; }
    return 0
}
trap cleanup EXIT

drive="$WINEPREFIX/drive_c"
wine "$setup" /S
wineserver -w
# Verdana, the printouts' font, comes with Windows but not with Wine. Qt then
# takes the first family installed, here an OpenType font with PostScript
# outlines: its lines are too tall for the printout's boxes, which then print
# no text, and Wine's PostScript driver crashes embedding it for the barcode's
# text, so no job is sent. DejaVu Sans stands in, as it does on Linux.
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Verdana /t REG_SZ /d 'DejaVu Sans' /f >/dev/null
program="$drive/Program Files/Trelomar"
for file in bin/trelomar.exe bin/trelomar-db.exe bin/platforms/qwindows.dll bin/sqldrivers/qsqlite.dll \
            bin/Qt6Core.dll bin/libpq.dll bin/libmdb-3.dll bin/libsqlite3-0.dll bin/libstdc++-6.dll \
            share/trelomar/lang/cs.lng share/trelomar/trelomar.hlp uninstall.exe; do
    [ -f "$program/$file" ] || fail "not installed: $file"
done
[ -f "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Trelomář.lnk" ] || fail "no Start-menu entry"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Trelomar'
wine reg query "$key" /v UninstallString 2>/dev/null | grep -q 'uninstall.exe' || fail "the uninstaller is not registered"
echo "test-setup: installed, with its Start-menu entry and uninstaller" >&2

user="$(ls "$drive/users" | grep -v -x -e Public -e public | head -n1)"
folder="$drive/users/$user/AppData/Local/Trelomar"
wrappers="$(mktemp -d /tmp/trelomar-installed.XXXXXX)"
# The tool runs in a Wine prefix of its own: started by the tests without a
# display, it would make the desktop that the program's windows then join, and
# they would never appear on the test's display.
toolprefix="$(mktemp -d /tmp/trelomar-wine-tool.XXXXXX)"
WINEPREFIX="$toolprefix" wineboot -i >/dev/null 2>&1
WINEPREFIX="$toolprefix" wineserver -w
printf '#!/bin/sh\nexec wine "%s" "$@"\n' "$program/bin/trelomar.exe" >"$wrappers/trelomar"
printf '#!/bin/sh\nWINEPREFIX="%s" exec wine "%s" "$@"\n' "$toolprefix" "$program/bin/trelomar-db.exe" >"$wrappers/trelomar-db"
chmod +x "$wrappers/trelomar" "$wrappers/trelomar-db"
printf '#!/bin/sh\nwine wineboot --end-session --shutdown\n' >"$wrappers/end-session"
chmod +x "$wrappers/end-session"
e2e="$root/build-test/tests/e2e/tst_e2e"
TRELOMAR_PROGRAM="$wrappers/trelomar" TRELOMAR_DB_TOOL="$wrappers/trelomar-db" TRELOMAR_SOURCE_DIR="$root" \
    TRELOMAR_USER_FOLDER="$folder" TRELOMAR_END_SESSION="$wrappers/end-session" TRELOMAR_E2E_PASTE=1 ASAN_OPTIONS=detect_leaks=0 \
    "$e2e" installedProgramInUserFolder f2StoresCzechNameOnce f7PrintsOneSheetAndEscStoresNothing \
    accessFileConvertedAtStart statusHandoverAndListsByKeys scanAndFinderByKeys printedBarcodeOpensTicket
rm -rf "$wrappers"

wine "$program/uninstall.exe" /S
wineserver -w
[ ! -e "$program/bin" ] || fail "the program folder is still there after uninstalling"
[ ! -e "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Trelomář.lnk" ] || fail "the Start-menu entry stayed"
wine reg query "$key" >/dev/null 2>&1 && fail "the uninstaller is still registered"
[ -s "$folder/data/data.mdb" ] || fail "uninstalling removed the tickets"
python3 - "$folder/data/data.mdb" <<'PY' || fail "the ticket is gone after uninstalling"
import sqlite3, sys
names = [r[0] for r in sqlite3.connect(sys.argv[1]).execute("SELECT jmeno FROM opravenky")]
sys.exit(0 if names == ["Řehoř Šťastný"] else 1)
PY
echo "test-setup: uninstalled; the tickets in $folder stay" >&2
