#!/usr/bin/env bash
# Times the overlay's tick, the pixel engine's pass and the snapshot cycle
# under Wine at 1920 x 1080, for the 64-bit build and, where this machine
# runs 32-bit programs, for the 32-bit one, one after the other in one
# session, so that the figures can stand side by side. Builds what is
# missing first.
set -euo pipefail
source "$(dirname "$0")/session.sh"
cd "$VELMORA_ROOT"

scripts/setup.sh
build_all_presets >/dev/null

trap stop_session EXIT
probe_32bit_programs
start_display
start_wine

builds=("win64:$WINE64")
if [[ -z "$WIN32_UNAVAILABLE" ]]; then
    builds+=("win32-tests:$WINE32")
else
    echo "The 32-bit build is not timed: $WIN32_UNAVAILABLE"
fi
for build in "${builds[@]}"; do
    preset=${build%%:*}
    loader=${build#*:}
    for program in overlay_tick_timing engine_pass_timing snapshot_cycle_timing; do
        echo "== $preset: $program"
        (cd "build/$preset/bin" && "$loader" "$program.exe")
    done
done
