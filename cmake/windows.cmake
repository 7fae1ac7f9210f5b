# Windows build: the thin Win32 adapters, the program, and their tests, which
# CTest runs under Wine in a prefix of this build folder's own.
add_library(quorin_win32 STATIC
  src/install/win32/registry_win32.cpp)
target_link_libraries(quorin_win32 PUBLIC quorin_core advapi32)

add_executable(win_tests ${QUORIN_REGISTRY_TESTS}
  src/install/win32/registry_win32_test.cpp
  tests/support/win32/registry_backend_win32.cpp)
target_link_libraries(win_tests PRIVATE quorin_win32 quorin_test_support GTest::gtest_main)

set(QUORIN_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(QUORIN_WINE_PREFIX_SCRIPT ${PROJECT_SOURCE_DIR}/scripts/wine-prefix)
add_test(NAME wine_prefix_start COMMAND ${QUORIN_WINE_PREFIX_SCRIPT} start ${QUORIN_WINEPREFIX})
add_test(NAME wine_prefix_stop COMMAND ${QUORIN_WINE_PREFIX_SCRIPT} stop ${QUORIN_WINEPREFIX})
set_tests_properties(wine_prefix_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 180)
set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine)

foreach(t core_tests win_tests)
  add_test(NAME ${t} COMMAND ${t})
  set_tests_properties(${t} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix
    TIMEOUT 300 ENVIRONMENT "WINEPREFIX=${QUORIN_WINEPREFIX}")
endforeach()
