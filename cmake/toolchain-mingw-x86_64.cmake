set(VELMORA_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
# The posix variant: GoogleTest needs std::mutex, which the win32 variant of
# GCC 12 lacks. Programs are linked statically, so nothing extra ships.
set(VELMORA_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
# Tests of this build run under Wine's x86_64 loader.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh /usr/lib/wine/wine64)
