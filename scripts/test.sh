#!/usr/bin/env bash
# Installs what is missing, builds every preset, and runs every test: native
# ones directly, Windows ones under Wine on a virtual display (the 64-bit
# build under wine64, the 32-bit deliverables under Wine's i386 loader where
# this machine runs 32-bit programs, visibly skipped where it does not), and
# the static checks of the 32-bit deliverables. Exits non-zero on any failure.
set -euo pipefail
source "$(dirname "$0")/session.sh"
cd "$VELMORA_ROOT"

scripts/setup.sh
build_all_presets

trap stop_session EXIT
probe_32bit_programs
start_display
start_wine

declare -A outcome
status=0
run_suites() {
    local preset=$1 what=$2
    echo "== Testing $preset: $what"
    if ctest --preset "$preset"; then
        outcome[$preset]="passed"
    else
        outcome[$preset]="FAILED"
        status=1
    fi
}

run_suites native "natively, under the sanitizers and (32-bit Linux) under qemu-i386"
run_suites win64 "the 64-bit build under wine64"
run_suites win32 "static checks of the 32-bit deliverables"
if [[ -z "$WIN32_UNAVAILABLE" ]]; then
    run_suites win32-tests "the 32-bit deliverables under Wine's i386 loader"
else
    echo "== SKIPPED win32-tests (the 32-bit deliverables under Wine's i386 loader): $WIN32_UNAVAILABLE"
    outcome[win32-tests]="SKIPPED: $WIN32_UNAVAILABLE"
fi

echo
echo "== Summary"
for preset in native win64 win32 win32-tests; do
    printf '   %-12s %s\n' "$preset" "${outcome[$preset]}"
done
exit "$status"
