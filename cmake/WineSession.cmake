# Every test that runs under Wine shares one session per build tree: a fixture
# starts the private display and a persistent wineserver before the first such test
# and stops both after the last, so no process outlives the test run.
set(VARNOOK_WINE_DIR ${CMAKE_BINARY_DIR}/wine)

add_test(NAME wine_session_start COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-session start ${VARNOOK_WINE_DIR})
add_test(NAME wine_session_stop COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-session stop ${VARNOOK_WINE_DIR})
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 120)
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)

function(varnook_wine_test test)
    set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)
endfunction()
