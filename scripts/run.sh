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

# True once process $1 has ended, waiting up to five seconds for it.
ends_soon() {
    for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
    return 1
}

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
if ! ends_soon "$sorvel"; then
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
if ! ends_soon "$snapshot"; then
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

# ---- The native X11 overlay, sorvel ------------------------------------------
# Ordinary X programs over a coloured desktop, sorvel over them, a window
# opened and moved while it runs, and Ctrl+Alt+Q to end it.
show_native_overlay() {
    local sorvel_program="$VELMORA_ROOT/build/native/bin/sorvel" log moving sorvel x
    local programs=()
    echo "== The native X11 overlay, sorvel"
    xsetroot -solid '#2f6db5'
    xlogo -geometry 320x320+60+60 -bg '#d81b1b' -fg '#ffd400' -render 2>/dev/null & programs+=($!)
    xclock -geometry 260x260+440+80 -bg '#1fa34a' -fg white -hd '#ffe000' -hl '#ffe000' 2>/dev/null & programs+=($!)
    xeyes -geometry 360x240+760+100 -fg '#8a2be2' -outline '#ff7f00' 2>/dev/null & programs+=($!)
    xcalc -geometry +1180+60 -bg '#f08a00' -fg '#102040' 2>/dev/null & programs+=($!)
    sleep 1
    screenshot "$out/native-scene.png"

    log=$(mktemp)
    "$sorvel_program" >"$log" 2>&1 &
    sorvel=$!
    for _ in $(seq 100); do grep -q "sorvel: showing" "$log" && break; sleep 0.1; done
    if ! grep -q "sorvel: showing" "$log"; then
        echo "sorvel did not start:" >&2
        cat "$log" >&2
        kill "${programs[@]}" "$sorvel" 2>/dev/null || true
        rm -f "$log"
        return 1
    fi
    sed 's/^/  /' "$log"
    sleep 0.5
    screenshot "$out/native-sorvel.png"

    xlogo -geometry 280x280+300+520 -title "moving logo" -bg '#00a0e0' -fg '#202060' 2>/dev/null & programs+=($!)
    moving=$(wait_for_window "^moving logo$")
    sleep 0.5
    for x in 420 540 660 780 900; do
        xdotool windowmove "$moving" "$x" 560
        sleep 0.2
    done
    sleep 0.3
    screenshot "$out/native-sorvel-live.png"

    xdotool key --clearmodifiers ctrl+alt+q
    if ! ends_soon "$sorvel"; then
        echo "sorvel did not end on Ctrl+Alt+Q" >&2
        kill "${programs[@]}" "$sorvel" 2>/dev/null || true
        rm -f "$log"
        return 1
    fi
    echo "sorvel ended on Ctrl+Alt+Q"
    sleep 0.5
    screenshot "$out/native-after.png"
    kill "${programs[@]}" 2>/dev/null || true
    rm -f "$log"

    echo "  $out/native-scene.png       ordinary X programs in colour"
    echo "  $out/native-sorvel.png      the same with sorvel"
    echo "  $out/native-sorvel-live.png a window opened and moved while sorvel runs"
    echo "  $out/native-after.png       the colours back after Ctrl+Alt+Q"
}
show_native_overlay
