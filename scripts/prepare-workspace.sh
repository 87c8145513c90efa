#!/usr/bin/env bash
# Lays out a working folder from the source tree's shipped files: the empty
# ticket store, the help file and the language files (Czech as the default).
# The rules live in one place, `trelomar-db prepare`, which the installed
# program follows too. A folder that has a store already is left as it is.
set -euo pipefail
root="$1"; build="$2"; work="$3"
"$build/tools/trelomar-db" prepare "$work" --from "$root/resources" >/dev/null
