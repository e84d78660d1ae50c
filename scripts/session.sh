# Shared by scripts/test.sh and scripts/run.sh (sourced, not run): a virtual
# X display with a window manager and a Wine prefix inside the build tree,
# each stopped again by what started it.

VELMORA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
WINE64=/usr/lib/wine/wine64
WINE32=/usr/lib/wine/wine
WINESERVER=/usr/lib/wine/wineserver
xvfb_pid=""
openbox_pid=""

# Starts Xvfb on a free display (it picks the number itself) and openbox on
# it, and exports DISPLAY.
start_display() {
    local display_file
    display_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
    xvfb_pid=$!
    local waited=0
    while [[ ! -s "$display_file" ]]; do
        if ! kill -0 "$xvfb_pid" 2>/dev/null || ((waited >= 100)); then
            echo "Xvfb did not start" >&2
            rm -f "$display_file"
            return 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    export DISPLAY=":$(head -n 1 "$display_file")"
    rm -f "$display_file"
    openbox >/dev/null 2>&1 &
    openbox_pid=$!
    echo "Virtual display $DISPLAY (Xvfb pid $xvfb_pid)"
}

# Whether this machine runs the 32-bit Windows programs: its kernel must run
# 32-bit x86 code (some kernels refuse it: "Exec format error"), which a tiny
# static i386 program tells, and Wine's i386 loader must be installed. Sets
# WIN32_UNAVAILABLE to the reason when it does not.
WIN32_UNAVAILABLE="not probed yet"
probe_32bit_programs() {
    local probe="$VELMORA_ROOT/build/i386-probe"
    WIN32_UNAVAILABLE=""
    if [[ ! -x "$WINE32" ]]; then
        WIN32_UNAVAILABLE="Wine's i386 loader ($WINE32) is not installed"
        return
    fi
    mkdir -p "$VELMORA_ROOT/build"
    if ! printf 'int main(void) { return 0; }\n' | gcc -m32 -static -x c -o "$probe" - 2>/dev/null; then
        WIN32_UNAVAILABLE="the i386 probe could not be built (gcc -m32 -static)"
        return
    fi
    local refusal
    if ! refusal=$("$probe" 2>&1); then
        WIN32_UNAVAILABLE="this kernel does not run 32-bit x86 programs (${refusal##*: })"
    fi
}

# Uses (and on first use creates) the Wine prefix shared by both Windows
# builds. 32-bit programs need the 32-bit system DLLs in its syswow64 folder,
# which only a prefix made where 32-bit programs run has: where they run (see
# probe_32bit_programs, called first) a prefix without them is made anew.
start_wine() {
    export WINEPREFIX="$VELMORA_ROOT/build/wineprefix"
    export WINEDEBUG=-all
    # No .NET or HTML engine is needed: skip Wine's offers to install them.
    export WINEDLLOVERRIDES="mscoree=;mshtml="
    if [[ -z "$WIN32_UNAVAILABLE" && -f "$WINEPREFIX/system.reg" &&
          ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]]; then
        echo "The Wine prefix has no 32-bit system: making it anew"
        rm -rf "$WINEPREFIX"
    fi
    if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
        echo "Creating the Wine prefix $WINEPREFIX"
    fi
    "$WINE64" wineboot --init >/dev/null 2>&1
    # A program that crashes ends at once with its exception code: Wine's own
    # debugger would wait in a dialog, or without one end it with code 0, so
    # that a crashed test would pass. No debugger by that name exists.
    local view
    for view in /reg:64 /reg:32; do
        "$WINE64" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger \
            /t REG_SZ /d velmora-no-debugger /f "$view" >/dev/null 2>&1
    done
    "$WINESERVER" -w
}

stop_session() {
    if [[ -n "${WINEPREFIX:-}" ]]; then "$WINESERVER" -k 2>/dev/null || true; fi
    if [[ -n "$openbox_pid" ]]; then kill "$openbox_pid" 2>/dev/null || true; fi
    if [[ -n "$xvfb_pid" ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    xvfb_pid=""
    openbox_pid=""
}

build_all_presets() {
    local preset
    for preset in native win64 win32 win32-tests; do
        echo "== Building $preset"
        cmake --preset "$preset" >/dev/null
        cmake --build --preset "$preset"
    done
}

# Waits (up to 30 s) for a window whose title matches (a regular expression)
# and prints its X id.
wait_for_window() {
    local title=$1 waited=0 window=""
    while [[ -z "$window" ]]; do
        window=$(xdotool search --name "$title" 2>/dev/null | head -n 1 || true)
        if [[ -n "$window" ]]; then break; fi
        if ((waited >= 300)); then
            echo "no window titled '$title' appeared" >&2
            return 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    echo "$window"
}

# Writes a PNG screenshot of the whole virtual display: what the screen
# shows, read from the root window in one piece. (xwd reads a screen whose
# windows use several colormaps, as Wine's do, window by window, and so
# shows a redirected window's own contents instead of what a compositing
# manager painted over it.)
screenshot() {
    /usr/bin/import -silent -window root "$1"
}
