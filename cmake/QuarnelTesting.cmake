# quarnel_add_test(NAME LABEL label SOURCES ... [LIBRARIES ...])
# One GoogleTest executable; every test case becomes a CTest test carrying the label
# (unit, db, gui or e2e) so that suites can be selected with `ctest -L`.
include(GoogleTest)

function(quarnel_add_test name)
    cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBRARIES" ${ARGN})
    if(NOT ARG_LABEL)
        message(FATAL_ERROR "quarnel_add_test(${name}): LABEL is required")
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gmock GTest::gtest_main quarnel_defaults)
    if(WIN32)
        # Built for Windows: one CTest test per program, run under Wine (the cross-compiling
        # emulator), labelled wine as well.
        add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
        set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABEL};wine")
        return()
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        PROPERTIES LABELS ${ARG_LABEL}
                   ENVIRONMENT "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0")
endfunction()

# For a program built for Windows: a test that the .exe imports no DLL but Windows' own
# (`objdump -p` lists them), so that it runs on a machine with nothing else installed. Each
# program's CMakeLists.txt calls it for its target; nothing happens on other systems.
function(quarnel_add_system_dlls_check target)
    if(NOT WIN32 OR NOT QUARNEL_BUILD_TESTS)
        return()
    endif()
    find_program(QUARNEL_MINGW_OBJDUMP NAMES ${QUARNEL_MINGW_TRIPLET}-objdump x86_64-w64-mingw32-objdump objdump
        NO_CMAKE_FIND_ROOT_PATH)
    add_test(NAME ${target}_system_dlls_only
        COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${QUARNEL_MINGW_OBJDUMP} -DPROGRAM=$<TARGET_FILE:${target}>
            -P ${PROJECT_SOURCE_DIR}/cmake/CheckSystemDlls.cmake)
    set_tests_properties(${target}_system_dlls_only PROPERTIES LABELS "unit;wine")
endfunction()
