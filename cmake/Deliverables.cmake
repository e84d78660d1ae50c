# The three deliverables: Grayscale.dll, sorvel.exe and grayscale.exe. Each
# subsystem declares its own with velmora_deliverable(); in a tree that tests
# another tree's deliverables (VELMORA_DELIVERABLES_FROM) the call instead
# copies that tree's file beside the test programs under the same target name,
# so that every test loads and starts exactly what users get.

# velmora_deliverable(<target> <SHARED|EXECUTABLE> <source>...)
# Defines the target and returns true in VELMORA_BUILDING_<target> when this
# tree builds it.
function(velmora_deliverable target kind)
    if(NOT VELMORA_DELIVERABLES_FROM)
        if(kind STREQUAL "SHARED")
            add_library(${target} SHARED ${ARGN})
        else()
            add_executable(${target} WIN32 ${ARGN})
        endif()
        set(VELMORA_BUILDING_${target} ON PARENT_SCOPE)
        return()
    endif()

    set(file ${target}.exe)
    if(kind STREQUAL "SHARED")
        set(file ${target}.dll)
    endif()
    set(shipped ${VELMORA_DELIVERABLES_FROM}/bin/${file})
    if(NOT EXISTS ${shipped})
        message(FATAL_ERROR "${shipped} is missing: build the tree it belongs to first "
                            "(scripts/test.sh builds the presets in order)")
    endif()
    set(copy ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${file})
    add_custom_command(OUTPUT ${copy} COMMAND ${CMAKE_COMMAND} -E copy ${shipped} ${copy} DEPENDS ${shipped}
                       COMMENT "Taking the shipped ${file}")
    if(kind STREQUAL "SHARED")
        # Linkable, so that tests can also bind the export at load time.
        add_custom_target(shipped_${target} DEPENDS ${copy})
        add_library(${target} SHARED IMPORTED GLOBAL)
        set_target_properties(${target} PROPERTIES
            IMPORTED_LOCATION ${copy}
            IMPORTED_IMPLIB ${VELMORA_DELIVERABLES_FROM}/lib/lib${target}.dll.a)
        add_dependencies(${target} shipped_${target})
    else()
        add_custom_target(${target} DEPENDS ${copy})
    endif()
    set(VELMORA_BUILDING_${target} OFF PARENT_SCOPE)
endfunction()
