# Wine for the tests of the Windows builds.
#
# Whether the i686 build runs here: this machine must execute 32-bit programs (asked
# of scripts/runs-32bit, as scripts/setup.sh does) and have the 32-bit Wine, which
# setup.sh installs where it can. Sets VARNOOK_I686_RUNS and VARNOOK_I686_WHY, a few
# words saying why.
execute_process(COMMAND ${CMAKE_SOURCE_DIR}/scripts/runs-32bit
    RESULT_VARIABLE runs_32bit OUTPUT_VARIABLE VARNOOK_I686_WHY OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT runs_32bit EQUAL 0)
    set(VARNOOK_I686_RUNS OFF)
elseif(NOT EXISTS /usr/lib/wine/wine)
    set(VARNOOK_I686_RUNS OFF)
    set(VARNOOK_I686_WHY "${VARNOOK_I686_WHY}, but the 32-bit Wine is not installed (scripts/setup.sh installs it)")
else()
    set(VARNOOK_I686_RUNS ON)
endif()

# Lines that every ctest run of this tree prints before its tests (and the
# configuration prints now): which stub and which tests run, and why.
file(WRITE ${CMAKE_BINARY_DIR}/CTestCustom.cmake "# Written by cmake/WineSession.cmake.\n")
function(varnook_test_note line)
    message(STATUS "${line}")
    file(APPEND ${CMAKE_BINARY_DIR}/CTestCustom.cmake
        "list(APPEND CTEST_CUSTOM_PRE_TEST [=[\"${CMAKE_COMMAND}\" -E echo \"${line}\"]=])\n")
endfunction()

# Every test that runs under Wine shares one session per build tree: a fixture
# starts the private display and a persistent wineserver before the first such test
# and stops both after the last, so no process outlives the test run. Run as root,
# the tests that need an ordinary user's permissions get a second session, of a test
# user with a prefix of its own (see scripts/wine-run).
set(VARNOOK_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
function(varnook_wine_sessions)
    set(session ${CMAKE_SOURCE_DIR}/scripts/wine-session)
    add_test(NAME wine_session_start COMMAND ${session} start ${VARNOOK_WINE_DIR})
    add_test(NAME wine_session_stop COMMAND ${session} stop ${VARNOOK_WINE_DIR})
    set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 120)
    set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)
    add_test(NAME wine_user_session_start COMMAND ${session} start --ordinary-user ${VARNOOK_WINE_DIR})
    add_test(NAME wine_user_session_stop COMMAND ${session} stop --ordinary-user ${VARNOOK_WINE_DIR})
    set_tests_properties(wine_user_session_start PROPERTIES FIXTURES_SETUP wine_user TIMEOUT 120)
    set_tests_properties(wine_user_session_stop PROPERTIES FIXTURES_CLEANUP wine_user TIMEOUT 60)
endfunction()

# The command that runs a program of this build as an ordinary user (the emulator
# runs it as whoever runs ctest).
set(VARNOOK_WINE_RUN_AS_ORDINARY_USER
    ${CMAKE_SOURCE_DIR}/scripts/wine-run --arch ${VARNOOK_WINE_ARCH} --ordinary-user --dir ${VARNOOK_WINE_DIR})

function(varnook_wine_test test)
    cmake_parse_arguments(ARG "ORDINARY_USER" "" "" ${ARGN})
    if(ARG_ORDINARY_USER)
        # Not root, the main session serves: both fixtures, so it runs either way.
        set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED "wine;wine_user" TIMEOUT 300)
    else()
        set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)
    endif()
endfunction()
