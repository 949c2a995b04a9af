# One function per kind of target, so every target of the project gets the same settings.
# Sources are the folder's *.cpp files (plus those of the SUBFOLDERS named), found again whenever
# a file is added or removed; a folder without sources makes no target yet.
#
#   quarrow_library(<folder> [SUBFOLDERS ...] [DEPENDS ...])
#       A static library named after its folder ("ui/controls" becomes "ui_controls").
#   quarrow_tests(<folder> [SUBFOLDERS ...] [DEPENDS ...] [TIMEOUT seconds] [ENVIRONMENT VAR=value ...])
#       One GoogleTest executable for tests/<folder>, every test labelled with the folder
#       ("game/map" becomes the label "game-map"); TIMEOUT makes a hanging test fail; ENVIRONMENT
#       sets its variables for every test; SERIAL_SUITE names one test suite that runs as a single
#       test "<label>.<suite>" alone (for tests that need the display's focus to themselves). TARGET
#       names the executable in place of "test_<label>", for a second test program under one label.
#   quarrow_benchmark(<name> SOURCES ... [DEPENDS ...])
#       A Google Benchmark executable, built with everything else and never run by ctest.
#   quarrow_executable(<name> SOURCES ... [DEPENDS ...])
#   quarrow_full_debug_info(<target>)
#       Keeps full debug information in the test build, which otherwise carries line tables only: for
#       the crash reporter and the programs whose parameters and locals its tests read back.

# The variables of a headless test run (as ./scripts/test exports them), for the ENVIRONMENT of tests
# that start the engine, sound or message boxes: a bare ctest run then never reaches a sound card, never
# waits on a message box and draws on the software OpenGL driver.
set(QUARROW_HEADLESS_ENVIRONMENT ALSOFT_DRIVERS=null QUARROW_UNATTENDED=1 LIBGL_ALWAYS_SOFTWARE=1)

# Warnings and floating point behaviour for the project's own code. No flag that relaxes
# IEEE arithmetic: the puzzle rules compare floats exactly.
function(quarrow_apply_settings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -ffp-contract=off)
    # g++ 12 at -O3 reports overlapping copies inside the standard library's own string concatenation
    # (a known false positive of -Wrestrict): it would fail Release builds of correct code.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    target_include_directories(${target} PUBLIC "${PROJECT_SOURCE_DIR}")
    # The test build carries line tables only (file, line and function of every address: enough for
    # stacks, sanitizer reports and profiles), at about half the compile time of full debug information.
    # Targets whose tests read parameters and locals back from DWARF keep it: quarrow_full_debug_info.
    target_compile_options(${target} PRIVATE
        "$<$<AND:$<CONFIG:RelWithDebInfo>,$<NOT:$<BOOL:$<TARGET_PROPERTY:QUARROW_FULL_DEBUG_INFO>>>>:-g1>")
endfunction()

# Keeps full debug information (types, parameters, locals, globals) for <target> in every build type.
function(quarrow_full_debug_info target)
    set_target_properties(${target} PROPERTIES QUARROW_FULL_DEBUG_INFO ON)
endfunction()

function(quarrow_folder_sources out)
    set(patterns "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
    foreach(sub IN LISTS ARGN)
        list(APPEND patterns "${CMAKE_CURRENT_SOURCE_DIR}/${sub}/*.cpp")
    endforeach()
    file(GLOB sources CONFIGURE_DEPENDS ${patterns})
    # A folder's main.cpp is the entry of an executable, never part of its library.
    list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
    list(SORT sources)
    set(${out} "${sources}" PARENT_SCOPE)
endfunction()

function(quarrow_library folder)
    cmake_parse_arguments(ARG "" "" "SUBFOLDERS;DEPENDS" ${ARGN})
    string(REPLACE "/" "_" target "${folder}")
    quarrow_folder_sources(sources ${ARG_SUBFOLDERS})
    if(NOT sources)
        return()
    endif()
    add_library(${target} STATIC ${sources})
    quarrow_apply_settings(${target})
    if(ARG_DEPENDS)
        target_link_libraries(${target} PUBLIC ${ARG_DEPENDS})
    endif()
endfunction()

function(quarrow_executable name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    quarrow_apply_settings(${name})
    if(ARG_DEPENDS)
        target_link_libraries(${name} PRIVATE ${ARG_DEPENDS})
    endif()
endfunction()

function(quarrow_tests folder)
    cmake_parse_arguments(ARG "" "TIMEOUT;TARGET" "SUBFOLDERS;DEPENDS;SERIAL_SUITE;ENVIRONMENT" ${ARGN})
    string(REPLACE "/" "-" label "${folder}")
    set(target "test_${label}")
    if(ARG_TARGET)
        set(target "${ARG_TARGET}")
    endif()
    quarrow_folder_sources(sources ${ARG_SUBFOLDERS})
    if(NOT sources)
        return()
    endif()
    add_executable(${target} ${sources})
    quarrow_apply_settings(${target})
    target_link_libraries(${target} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gmock GTest::gtest_main)
    # Test data stands beside the tests; pictures a person should look at go to test-output.
    target_compile_definitions(${target} PRIVATE
        QUARROW_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data"
        QUARROW_TEST_OUTPUT_DIR="${PROJECT_BINARY_DIR}/test-output/${label}")
    set(properties LABELS "${label}")
    if(ARG_TIMEOUT)
        list(APPEND properties TIMEOUT ${ARG_TIMEOUT})
    endif()
    # Each serial suite runs as one test alone; the discovered tests leave them out.
    set(filter "")
    set(excluded "")
    foreach(suite IN LISTS ARG_SERIAL_SUITE)
        string(APPEND excluded ":${suite}.*")
        add_test(NAME ${label}.${suite} COMMAND ${target} --gtest_filter=${suite}.*
            WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}")
        set_tests_properties(${label}.${suite} PROPERTIES ${properties} RUN_SERIAL TRUE)
        if(ARG_ENVIRONMENT)
            set_tests_properties(${label}.${suite} PROPERTIES ENVIRONMENT "${ARG_ENVIRONMENT}")
        endif()
    endforeach()
    if(excluded)
        string(SUBSTRING "${excluded}" 1 -1 excluded)
        set(filter TEST_FILTER "-${excluded}")
    endif()
    gtest_discover_tests(${target}
        WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}"
        ${filter}
        PROPERTIES ${properties}
        TEST_LIST ${target}_TESTS
        DISCOVERY_TIMEOUT 60)
    if(ARG_ENVIRONMENT)
        # The discovery's property list loses the separators of a list value on its way through the
        # build step, so the environment goes onto the discovered tests in a file ctest reads after
        # theirs.
        set(environment_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_environment.cmake")
        file(WRITE "${environment_file}"
            "if(${target}_TESTS)\n"
            "  set_tests_properties(\${${target}_TESTS} PROPERTIES ENVIRONMENT [==[${ARG_ENVIRONMENT}]==])\n"
            "endif()\n")
        set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${environment_file}")
    endif()
endfunction()

function(quarrow_benchmark name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    quarrow_apply_settings(${name})
    target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} benchmark::benchmark benchmark::benchmark_main)
endfunction()
