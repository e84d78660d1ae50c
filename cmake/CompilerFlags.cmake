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
endif()
