#!/bin/sh
# CTest's emulator for the Windows builds: runs a program under the Wine
# loader given first (/usr/lib/wine/wine64 for x86_64, /usr/lib/wine/wine for
# i386). WINEPREFIX and DISPLAY come from the caller (scripts/test.sh).
export WINEDEBUG="${WINEDEBUG:--all}"
loader=$1
shift
exec "$loader" "$@"
