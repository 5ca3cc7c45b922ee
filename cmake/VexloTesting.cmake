# vexlo_add_test(<name> SOURCES ... [LIBS ...] [ENV ...] [TIMEOUT s] [PARTS n])
#
# Every test runs hermetic: its own HOME and XDG folders under the build tree (so QSettings and
# QStandardPaths never touch the user's), a pinned time zone and locale, and the offscreen platform.
# Every test waits for conditions with one generous bound (tests/support/testwaits.h, included
# first in each of its files).
#
# PARTS n runs a long program as n tests <name>_1 ... <name>_n, each given a run of its test
# functions in order (found in the test class's slots in its first source), so that each has the
# whole bound and ctest can run them side by side; TIMEOUT is then what one part takes at most.
# The test <name>_parts checks that the parts hold every function the program has.
function(vexlo_test_functions source out)
    # One list item a line: what a list would take apart or hold together goes first.
    file(READ ${source} text)
    string(REGEX REPLACE "[][;\\]" "" text "${text}")
    string(REPLACE "\n" ";" lines "${text}")
    set(functions)
    set(in_slots FALSE)
    foreach(line IN LISTS lines)
        if(line MATCHES "^(private |public |protected )?slots:")
            set(in_slots TRUE)
        elseif(line MATCHES "^(public|private|protected):" OR line MATCHES "^};")
            set(in_slots FALSE)
        elseif(in_slots AND line MATCHES "^    void ([A-Za-z0-9_]+)\\(\\)")
            set(function ${CMAKE_MATCH_1})
            if(NOT function MATCHES "_data$|^(initTestCase|cleanupTestCase|init|cleanup)$")
                list(APPEND functions ${function})
            endif()
        endif()
    endforeach()
    set(${out} ${functions} PARENT_SCOPE)
endfunction()

function(vexlo_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT;PARTS" "SOURCES;LIBS;ENV" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    target_compile_options(${name} PRIVATE "SHELL:-include ${PROJECT_SOURCE_DIR}/tests/support/testwaits.h")
    # Paths compiled in, so that a test run by hand finds its data exactly as under ctest.
    target_compile_definitions(${name} PRIVATE
        VEXLO_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
        VEXLO_IOF_DIR="${PROJECT_SOURCE_DIR}/third_party/iof")
    set(tests)
    if(ARG_PARTS)
        list(GET ARG_SOURCES 0 source)
        get_filename_component(source ${source} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
        vexlo_test_functions(${source} functions)
        list(LENGTH functions count)
        if(count LESS ARG_PARTS)
            message(FATAL_ERROR "${name}: ${count} test functions found in ${source}, fewer than ${ARG_PARTS} parts")
        endif()
        math(EXPR per_part "(${count} + ${ARG_PARTS} - 1) / ${ARG_PARTS}")
        foreach(part RANGE 1 ${ARG_PARTS})
            math(EXPR first "(${part} - 1) * ${per_part}")
            if(first LESS count)
                list(SUBLIST functions ${first} ${per_part} share)
                add_test(NAME ${name}_${part} COMMAND ${name} ${share})
                list(APPEND tests ${name}_${part})
            endif()
        endforeach()
        list(JOIN functions "," listed)
        add_test(NAME ${name}_parts COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${name}>
            -DFUNCTIONS=${listed} -P ${PROJECT_SOURCE_DIR}/cmake/CheckTestParts.cmake)
        list(APPEND tests ${name}_parts)
    else()
        add_test(NAME ${name} COMMAND ${name})
        list(APPEND tests ${name})
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    # TIMEOUT is what the program takes at most under the sanitizers on a quiet machine; ctest
    # allows three times that, since the suite shares its machine with builds and fuzzers: the
    # bound only stops a program that hangs. QtTest's own bound on one test function follows it.
    math(EXPR bound "${ARG_TIMEOUT} * 3")
    math(EXPR function_bound_ms "${bound} * 1000")
    # Each test has a home of its own: parts of one program run side by side.
    foreach(test IN LISTS tests)
        set(home ${CMAKE_BINARY_DIR}/testhome/${test})
        set_tests_properties(${test} PROPERTIES
            TIMEOUT ${bound}
            ENVIRONMENT "HOME=${home};XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;XDG_CACHE_HOME=${home}/cache;XDG_RUNTIME_DIR=${home}/runtime;TZ=Europe/Copenhagen;LANG=C.UTF-8;LC_ALL=C.UTF-8;QT_QPA_PLATFORM=offscreen;QTEST_FUNCTION_TIMEOUT=${function_bound_ms};${ARG_ENV}")
        file(MAKE_DIRECTORY ${home}/config ${home}/data ${home}/cache ${home}/runtime)
        file(CHMOD ${home}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    endforeach()
endfunction()
