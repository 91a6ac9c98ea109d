# Testing the cross-built Windows programs under Wine: a private prefix under the build folder,
# GoogleTest built from Debian's sources with the cross compiler, and one CTest test per program
# (a Wine start costs far more than a native one).
set(ZR8_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
    @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)

set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# The GoogleTest sources define the GTest:: names themselves.

# Ends the prefix's wineserver when the tests are done, and only that one.
function(zr8_add_wine_fixtures)
    add_test(NAME wine_prefix_up COMMAND ${CMAKE_BINARY_DIR}/wine-run.sh cmd /c exit 0)
    set_tests_properties(wine_prefix_up PROPERTIES FIXTURES_SETUP wine)
    # wineserver -k fails when the server has already gone by itself, which is fine.
    add_test(NAME wine_prefix_down
        COMMAND sh -c "WINEPREFIX='${ZR8_WINEPREFIX}' wineserver -k; exit 0")
    set_tests_properties(wine_prefix_down PROPERTIES FIXTURES_CLEANUP wine)
endfunction()
