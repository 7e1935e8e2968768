# Every run of a Qt Test program writes its log, besides standard output,
# to <build>/test-logs/<test>.txt; make test lists the functions and rows
# skipped in them at its end (scripts/skipped-tests).
set(ZORVANE_TEST_LOGS ${CMAKE_BINARY_DIR}/test-logs)
file(MAKE_DIRECTORY ${ZORVANE_TEST_LOGS})

# zorvane_test_log_options(<variable> <test>): the Qt Test options that write
# the log of the CTest test <test> and standard output as usual.
function(zorvane_test_log_options variable test)
    set(${variable} -o ${ZORVANE_TEST_LOGS}/${test}.txt,txt -o -,txt PARENT_SCOPE)
endfunction()

# zorvane_add_test(<name> SOURCES <files...> LIBRARIES <targets...> [LABELS <labels...>])
#
# One Qt Test executable, registered with CTest. Every test runs on the
# offscreen platform, under the en_US.UTF-8 locale (month/day/four-digit year
# short dates), with its own HOME and runtime folder so that settings, locks
# and the clipboard of one test never meet another's.
function(zorvane_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBRARIES})
    zorvane_test_log_options(log_options ${name})
    add_test(NAME ${name} COMMAND ${name} ${log_options})
    set(home ${CMAKE_BINARY_DIR}/test-home/${name})
    file(MAKE_DIRECTORY ${home}/runtime)
    file(CHMOD ${home}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    set(environment QT_QPA_PLATFORM=offscreen LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8 HOME=${home}
        XDG_RUNTIME_DIR=${home}/runtime XDG_CONFIG_HOME=${home}/config)
    if(ZORVANE_SANITIZE)
        # Any finding fails the test, leaks included: every buffer must be
        # freed on every path.
        # The engine's sweep of every birth date checks one in seven days
        # here, both times of birth; the ordinary build checks them all.
        list(APPEND environment
            "ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1"
            "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
            ZORVANE_TEST_BIRTH_STEP=7)
    endif()
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "${environment}"
        TIMEOUT 300
        LABELS "${ARG_LABELS}")
    if(CMAKE_CROSSCOMPILING_EMULATOR)
        # Under Wine every program is the one Windows user of the build's
        # prefix, whatever its HOME: one registry and one profile, which the
        # settings and the single-instance lock of the tests would share.
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK wine_user)
    endif()
endfunction()
