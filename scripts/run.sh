#!/usr/bin/env bash
# The main job: installs what is missing, builds, and shows the programs at
# work on a virtual display under Wine, over a colourful scene of our own:
# the 32-bit deliverables under Wine's i386 loader where this machine runs
# 32-bit programs, the 64-bit build under wine64 where it does not.
# Screenshots go to out/; everything started here is stopped again.
set -euo pipefail
source "$(dirname "$0")/session.sh"
cd "$VELMORA_ROOT"

scripts/setup.sh
build_all_presets

out="$VELMORA_ROOT/out"
mkdir -p "$out"
trap stop_session EXIT
probe_32bit_programs
start_display
start_wine
if [[ -z "$WIN32_UNAVAILABLE" ]]; then
    # The win32 deliverables, copied beside the 32-bit test programs.
    bin="$VELMORA_ROOT/build/win32-tests/bin"
    wine="$WINE32"
    shown="the 32-bit deliverables (build/win32) under Wine's i386 loader"
else
    bin="$VELMORA_ROOT/build/win64/bin"
    wine="$WINE64"
    shown="the 64-bit build (build/win64) under wine64, since $WIN32_UNAVAILABLE"
fi
echo "== Showing $shown"

echo "== The colour scene"
"$wine" "$bin/colour_scene.exe" &
wait_for_window "Velmora colour scene" >/dev/null
sleep 1
screenshot "$out/scene.png"

echo "== The overlay, sorvel.exe"
(cd "$bin" && exec "$wine" sorvel.exe) &
sorvel=$!
wait_for_window "^Creating &  Using VC\\+\\+ DLLs$" >/dev/null
sleep 2
screenshot "$out/sorvel.png"
xdotool key --clearmodifiers ctrl+alt+q
for _ in $(seq 50); do kill -0 "$sorvel" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$sorvel" 2>/dev/null; then
    echo "sorvel did not close on Ctrl+Alt+Q" >&2
    exit 1
fi
echo "sorvel closed on Ctrl+Alt+Q"

echo "== The snapshot program, grayscale.exe"
# Wine lacks the system's PrintScreen service; a companion of the tests supplies it.
"$wine" "$bin/print_screen_service.exe" &
(cd "$bin" && exec "$wine" grayscale.exe) &
snapshot=$!
wait_for_window "^Velmora$" >/dev/null
sleep 1
click_control() {
    local position
    position=$("$wine" "$bin/control_locator.exe" Velmora "$1" | tr -d '\r')
    xdotool mousemove $position click 1
}
click_control Command1
wait_for_window "^PrintScreen service: 1$" >/dev/null
sleep 2
screenshot "$out/grayscale.png"
click_control "&Close"
for _ in $(seq 50); do kill -0 "$snapshot" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$snapshot" 2>/dev/null; then
    echo "grayscale.exe did not close on &Close" >&2
    exit 1
fi
echo "grayscale.exe ran one cycle and closed on &Close"

echo
echo "Showed $shown."
echo "Screenshots:"
echo "  $out/scene.png      the colour scene"
echo "  $out/sorvel.png     the overlay over it"
echo "  $out/grayscale.png  the snapshot program after one cycle"
