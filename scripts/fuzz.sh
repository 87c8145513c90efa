#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each on a copy of its seed
# corpus for SECONDS (default 25). Fails when a target finds a crash; the
# crashing input is left in the build folder's artifacts/ directory.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-25}"
shift || true
source "$root/scripts/packages.sh"
"$root/scripts/ensure-packages.sh" "${BUILD_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"

build="${TRELOMAR_FUZZ_BUILD:-$root/build-fuzz}"
cmake -S "$root/tests/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" --parallel "$(nproc)" >/dev/null

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(langfile textlist inifile csv legacy)
mkdir -p "$build/artifacts"
status=0
for t in "${targets[@]}"; do
    work="$build/corpus/$t"
    mkdir -p "$work"
    cp -n "$root/tests/fuzz/corpus/$t/"* "$work/" 2>/dev/null || true
    log="$build/fuzz_$t.log"
    if ASAN_OPTIONS=detect_leaks=0 "$build/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$t-" "$work" >"$log" 2>&1; then
        runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
        echo "fuzz_$t: $runs executions in ${seconds}s, no crash"
    else
        echo "fuzz_$t: FOUND A CRASH (see $log and $build/artifacts)"
        tail -40 "$log"
        status=1
    fi
done
exit $status
