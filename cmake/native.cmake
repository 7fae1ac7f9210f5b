# Native build: the core's tests run directly. The openarena reply they
# replay is refreshed by `QUORIN_REGENERATE=1 scripts/peers start DIR`.
if(QUORIN_TESTS)
  add_test(NAME core_tests COMMAND core_tests)
  # The stand-in master read by qstat and registered in by openarena-server,
  # on loopback (once, in the g++ build).
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_test(NAME standin_master COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-standin-master
      ${CMAKE_BINARY_DIR}/standin-master)
    set_tests_properties(standin_master PROPERTIES TIMEOUT 180 LABELS peers)
  endif()
endif()

if(QUORIN_BENCHMARKS)
  find_package(benchmark REQUIRED)
  add_executable(status_reply_benchmark benchmarks/status_reply_benchmark.cpp)
  target_link_libraries(status_reply_benchmark PRIVATE quorin_core benchmark::benchmark)
endif()

if(QUORIN_FUZZ)
  # The datagrams from strangers, the inputs that come off the network, and
  # the files any process of the player's can write (the store's record, the
  # switch's journal), fuzzed for a bounded time on a corpus of the build's
  # own, seeded from fuzz/seeds; any finding fails the test.
  foreach(target status_reply master_reply store_record journal)
    add_executable(${target}_fuzz fuzz/${target}_fuzz.cpp)
    target_link_libraries(${target}_fuzz PRIVATE quorin_core)
    target_link_options(${target}_fuzz PRIVATE -fsanitize=fuzzer)
    set(corpus ${CMAKE_BINARY_DIR}/corpus/${target})
    file(MAKE_DIRECTORY ${corpus})
    add_test(NAME ${target}_fuzz COMMAND ${target}_fuzz -max_total_time=30 -seed=1
      -artifact_prefix=${CMAKE_BINARY_DIR}/crash-${target}- ${corpus}
      ${PROJECT_SOURCE_DIR}/fuzz/seeds/${target})
    set_tests_properties(${target}_fuzz PROPERTIES TIMEOUT 120 LABELS fuzz)
  endforeach()
endif()
