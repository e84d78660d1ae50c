set(VELMORA_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
# The 32-bit test programs: GoogleTest needs std::mutex, which only the posix
# variant has. The deliverables they test come from the win32 build.
set(VELMORA_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
# Tests of this build run under Wine's i386 loader.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh /usr/lib/wine/wine)
