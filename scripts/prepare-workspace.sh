#!/usr/bin/env bash
# Lays out a working folder: the empty ticket store, the help file and the
# shipped language files (Czech as the default when none is chosen yet).
# Never replaces anything the shop already has.
set -euo pipefail
root="$1"; build="$2"; work="$3"
[ -e "$work/data/data.mdb" ] || "$build/tools/trelomar-db" init "$work"
[ -e "$root/resources/trelomar.hlp" ] && [ ! -e "$work/trelomar.hlp" ] && cp "$root/resources/trelomar.hlp" "$work/"
if [ -d "$root/resources/lang" ]; then
    mkdir -p "$work/lang"
    for f in "$root"/resources/lang/*.lng; do
        [ -e "$f" ] || continue
        [ -e "$work/lang/$(basename "$f")" ] || cp "$f" "$work/lang/"
    done
    [ -e "$work/lang/default.lng" ] || [ ! -e "$work/lang/cs.lng" ] || cp "$work/lang/cs.lng" "$work/lang/default.lng"
fi
exit 0
