# The Windows tests run under Wine, in a session of this build tree's own (scripts/wine.sh): an X display
# with a window manager and a fresh prefix in <build>/wine, made by the wine_session_start test before
# any test that needs it and ended by wine_session_stop after the last, whatever their results.
set(TOVALSET_WINE_SESSION ${CMAKE_BINARY_DIR}/wine)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(TOVALSET_WINE_ARCH win32)
else()
    set(TOVALSET_WINE_ARCH win64)
endif()

# CTest starts every Windows test program through this; a test script is started with it by hand
# (${wine_exec} bash script.sh ...), and starts its own Windows programs with `wine`.
set(wine_exec ${PROJECT_SOURCE_DIR}/scripts/wine.sh exec ${TOVALSET_WINE_SESSION})
set(CMAKE_CROSSCOMPILING_EMULATOR ${wine_exec})

add_test(NAME wine_session_start
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine.sh start ${TOVALSET_WINE_SESSION} ${TOVALSET_WINE_ARCH})
add_test(NAME wine_session_stop COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine.sh stop ${TOVALSET_WINE_SESSION})
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine_session TIMEOUT 180)
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine_session TIMEOUT 60)
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${PROJECT_SOURCE_DIR}/cmake/ScaleTimeouts.cmake)

# wine_tests(<test>...): the tests run in the session. Their timeouts stretch with the machine: each has
# one (the test presets' 300 s where it set none), which cmake/ScaleTimeouts.cmake multiplies when ctest
# runs, as every bound inside the tests is multiplied, by TOVALSET_TIME_SCALE.
function(wine_tests)
    set_tests_properties(${ARGN} PROPERTIES FIXTURES_REQUIRED wine_session)
    foreach(test IN LISTS ARGN)
        get_test_property(${test} TIMEOUT seconds)
        if(NOT seconds)
            set_tests_properties(${test} PROPERTIES TIMEOUT 300)
        endif()
    endforeach()
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${PROJECT_SOURCE_DIR}/cmake/ScaleTimeouts.cmake)
endfunction()

