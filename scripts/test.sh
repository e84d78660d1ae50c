#!/usr/bin/env bash
# Installs what is missing, builds the three presets, and runs every test:
# native ones directly, Windows ones under wine64 on a virtual display, and
# the static checks of the 32-bit deliverables. Exits non-zero on any failure.
set -euo pipefail
source "$(dirname "$0")/session.sh"
cd "$VELMORA_ROOT"

scripts/setup.sh
build_all_presets

trap stop_session EXIT
start_display
start_wine

status=0
for preset in native win64 win32; do
    echo "== Testing $preset"
    ctest --preset "$preset" || status=1
done
exit "$status"
