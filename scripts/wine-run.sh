#!/bin/sh
# Runs a Windows x86_64 program under wine64 (CTest's emulator for the win64
# build). WINEPREFIX and DISPLAY come from the caller (scripts/test.sh).
export WINEDEBUG="${WINEDEBUG:--all}"
exec /usr/lib/wine/wine64 "$@"
