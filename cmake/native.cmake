# Native build: the core's tests run directly, plus the tests against real
# game-server peers on loopback.
add_test(NAME core_tests COMMAND core_tests)

add_executable(peer_tests tests/peers/openarena_status_test.cpp tests/peers/posix_peers.cpp)
target_link_libraries(peer_tests PRIVATE quorin_test_support GTest::gtest_main)
add_test(NAME peer_tests COMMAND peer_tests)
set_tests_properties(peer_tests PROPERTIES TIMEOUT 120)

if(QUORIN_BENCHMARKS)
  find_package(benchmark REQUIRED)
  add_executable(status_reply_benchmark benchmarks/status_reply_benchmark.cpp)
  target_link_libraries(status_reply_benchmark PRIVATE quorin_core benchmark::benchmark)
endif()
