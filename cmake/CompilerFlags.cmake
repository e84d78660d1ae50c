# Warnings and the floating-point rules every build follows: results must be
# the IEEE double results, so no fused multiply-add and, on 32-bit x86, SSE2
# arithmetic instead of the x87 unit's extended intermediates.
set(VELMORA_EXACT_FP_FLAGS -ffp-contract=off)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i.86|x86)$")
    list(APPEND VELMORA_EXACT_FP_FLAGS -msse2 -mfpmath=sse)
endif()

add_compile_options(-Wall -Wextra ${VELMORA_EXACT_FP_FLAGS})

if(WIN32)
    # Programs and DLLs carry their C and C++ runtime: nothing to ship beside them.
    add_link_options(-static)
    # The oldest Windows the programs run on is Vista (6.0): its headers'
    # declarations only, and the version in every binary's PE header (the
    # manifest names the same systems).
    add_compile_definitions(_WIN32_WINNT=0x0600 WINVER=0x0600)
    add_link_options(-Wl,--major-os-version,6,--minor-os-version,0
                     -Wl,--major-subsystem-version,6,--minor-subsystem-version,0)
endif()
