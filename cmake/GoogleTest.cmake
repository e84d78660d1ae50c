# GoogleTest: the system's build for Linux, built from Debian's sources for MinGW.
if(WIN32)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    # Its sources define the GTest:: targets.
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
    find_package(GTest REQUIRED)
endif()

# Registers a test executable as one CTest test: one process per executable
# keeps runs under Wine short.
function(velmora_add_test_executable name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
endfunction()

# A test executable built from `SOURCES` and, compiled again with the test's
# own flags, every source of the static or object libraries `REBUILT` (their
# include folders come along); `LINK` names further libraries to link as they
# are. For tests of library code under other compiler options.
function(velmora_add_rebuilt_test name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;REBUILT;LINK")
    set(sources ${arg_SOURCES})
    set(includes)
    foreach(library IN LISTS arg_REBUILT)
        get_target_property(librarySources ${library} SOURCES)
        get_target_property(libraryFolder ${library} SOURCE_DIR)
        foreach(source IN LISTS librarySources)
            cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${libraryFolder})
            list(APPEND sources ${source})
        endforeach()
        list(APPEND includes $<TARGET_PROPERTY:${library},INTERFACE_INCLUDE_DIRECTORIES>)
    endforeach()
    add_executable(${name} ${sources})
    target_include_directories(${name} PRIVATE ${includes})
    target_link_libraries(${name} PRIVATE ${arg_LINK})
endfunction()

# A test built with AddressSanitizer and UndefinedBehaviorSanitizer over the
# code of the libraries `REBUILT`, registered as one CTest test.
function(velmora_add_sanitized_test name)
    velmora_add_rebuilt_test(${name} ${ARGN} LINK GTest::gtest_main)
    set(flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_compile_options(${name} PRIVATE ${flags})
    target_link_options(${name} PRIVATE ${flags})
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
endfunction()
