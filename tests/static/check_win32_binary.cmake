# Static checks of a 32-bit Windows deliverable, as a CTest script (cmake -P).
# Variables:
#   BINARY            the .exe or .dll
#   OBJDUMP, WINDRES  i686-w64-mingw32 binutils
#   EXPECTED_VERSION  a file holding the binary's version resource exactly as
#                     `windres -O rc` prints it
#   EXPORT_NAME       (DLLs) the one export, expected at ordinal 1, undecorated
#   EXPORT_ARG_BYTES  (DLLs) the bytes of arguments the export removes (stdcall)
#   WINDOWS_PROGRAM   (programs) set: a GUI program carrying an application manifest

cmake_minimum_required(VERSION 3.25)

function(fail message)
    message(FATAL_ERROR "${BINARY}: ${message}")
endfunction()

function(run_tool out)
    execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        fail("`${ARGN}` failed: ${errors}")
    endif()
    set(${out} "${output}" PARENT_SCOPE)
endfunction()

if(NOT EXISTS "${BINARY}")
    fail("not built")
endif()

run_tool(header ${OBJDUMP} -f ${BINARY})
if(NOT header MATCHES "file format pei-i386" OR NOT header MATCHES "architecture: i386,")
    fail("is not a PE32 image for i386:\n${header}")
endif()

run_tool(privateHeaders ${OBJDUMP} -p ${BINARY})

# Every imported DLL must come with Windows itself: a binary that needs a
# compiler's runtime DLL (libgcc_s, libstdc++, libwinpthread...) does not start
# on a user's machine.
set(systemDlls advapi32 comctl32 comdlg32 gdi32 imm32 kernel32 msvcrt ole32 oleaut32 olepro32 shell32
               shlwapi user32 uxtheme version winmm ws2_32)
string(REGEX MATCHALL "DLL Name: [^\n]+" importLines "${privateHeaders}")
if(NOT importLines)
    fail("imports no DLL at all")
endif()
foreach(line IN LISTS importLines)
    string(REPLACE "DLL Name: " "" file "${line}")
    string(TOLOWER "${file}" dll)
    string(REGEX REPLACE "\\.dll$" "" dll "${dll}")
    if(NOT dll IN_LIST systemDlls)
        fail("imports ${file}, which a stock Windows does not have")
    endif()
endforeach()

if(DEFINED EXPORT_NAME)
    if(NOT privateHeaders MATCHES "\\[Ordinal/Name Pointer\\] Table\n\t\\[   0\\] ${EXPORT_NAME}\n\n")
        fail("does not export exactly the undecorated name ${EXPORT_NAME}")
    endif()
    if(NOT privateHeaders MATCHES "Ordinal Base 1\n\t\\[   0\\] \\+base\\[   1\\] ([0-9a-f]+) Export RVA")
        fail("does not export ${EXPORT_NAME} at ordinal 1")
    endif()
    set(exportRva ${CMAKE_MATCH_1})
    if(NOT privateHeaders MATCHES "ImageBase\t\t([0-9a-f]+)")
        fail("has no image base")
    endif()
    math(EXPR start "0x${CMAKE_MATCH_1} + 0x${exportRva}" OUTPUT_FORMAT HEXADECIMAL)
    math(EXPR stop "${start} + 0x400" OUTPUT_FORMAT HEXADECIMAL)
    run_tool(code ${OBJDUMP} -d --start-address=${start} --stop-address=${stop} ${BINARY})
    math(EXPR argBytes "${EXPORT_ARG_BYTES}" OUTPUT_FORMAT HEXADECIMAL)
    string(REGEX MATCH "\tret[ \t]+[^\n]*" firstReturn "${code}")
    if(NOT firstReturn MATCHES "ret +\\$${argBytes}$")
        fail("${EXPORT_NAME} does not return with `ret ${argBytes}` (stdcall): found `${firstReturn}`")
    endif()
endif()

# Windows Vista (6.0) is the oldest system the binaries are for.
foreach(field MajorOSystemVersion MinorOSystemVersion MajorSubsystemVersion MinorSubsystemVersion)
    string(REGEX MATCH "${field}\t+([0-9]+)" ignored "${privateHeaders}")
    set(version "${CMAKE_MATCH_1}")
    set(expected 6)
    if(field MATCHES "^Minor")
        set(expected 0)
    endif()
    if(NOT version STREQUAL expected)
        fail("has ${field} ${version}, not ${expected} (Windows Vista)")
    endif()
endforeach()
if(WINDOWS_PROGRAM)
    file(STRINGS ${BINARY} vistaInManifest REGEX "supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"")
    if(NOT vistaInManifest)
        fail("has a manifest that does not name Windows Vista")
    endif()
endif()

if(WINDOWS_PROGRAM AND NOT privateHeaders MATCHES "Subsystem\t\t00000002\t\\(Windows GUI\\)")
    fail("is not a Windows GUI program")
endif()

run_tool(resources ${WINDRES} -i ${BINARY} -O rc)
if(WINDOWS_PROGRAM AND NOT resources MATCHES "\n1 24 /\\* RT_MANIFEST \\*/")
    fail("carries no application manifest")
endif()
# The version resource: from its first line to the first END at the margin.
string(REGEX MATCH "[0-9]+ VERSIONINFO\n" first "${resources}")
string(FIND "${resources}" "${first}" start)
string(SUBSTRING "${resources}" ${start} -1 version)
string(FIND "${version}" "\nEND\n" end)
math(EXPR length "${end} + 5")
string(SUBSTRING "${version}" 0 ${length} version)
file(READ ${EXPECTED_VERSION} expected)
if(NOT version STREQUAL expected)
    fail("version resource differs from ${EXPECTED_VERSION}:\n${version}")
endif()
message(STATUS "${BINARY}: PE32 i386, system DLLs only, exports and version resource as expected")
