# vexlo_add_test(<name> SOURCES ... [LIBS ...] [ENV ...] [TIMEOUT s])
#
# Every test runs hermetic: its own HOME and XDG folders under the build tree (so QSettings and
# QStandardPaths never touch the user's), a pinned time zone and locale, and the offscreen platform.
# Every test waits for conditions with one generous bound (tests/support/testwaits.h, included
# first in each of its files).
function(vexlo_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    target_compile_options(${name} PRIVATE "SHELL:-include ${PROJECT_SOURCE_DIR}/tests/support/testwaits.h")
    # Paths compiled in, so that a test run by hand finds its data exactly as under ctest.
    target_compile_definitions(${name} PRIVATE
        VEXLO_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
        VEXLO_IOF_DIR="${PROJECT_SOURCE_DIR}/third_party/iof")
    add_test(NAME ${name} COMMAND ${name})
    set(home ${CMAKE_BINARY_DIR}/testhome/${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    # TIMEOUT is what the program takes at most under the sanitizers on a quiet machine; ctest
    # allows three times that, since the suite shares its machine with builds and fuzzers: the
    # bound only stops a program that hangs. QtTest's own bound on one test function follows it.
    math(EXPR bound "${ARG_TIMEOUT} * 3")
    math(EXPR function_bound_ms "${bound} * 1000")
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${bound}
        ENVIRONMENT "HOME=${home};XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;XDG_CACHE_HOME=${home}/cache;XDG_RUNTIME_DIR=${home}/runtime;TZ=Europe/Copenhagen;LANG=C.UTF-8;LC_ALL=C.UTF-8;QT_QPA_PLATFORM=offscreen;QTEST_FUNCTION_TIMEOUT=${function_bound_ms};${ARG_ENV}")
    file(MAKE_DIRECTORY ${home}/config ${home}/data ${home}/cache ${home}/runtime)
    file(CHMOD ${home}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
endfunction()
