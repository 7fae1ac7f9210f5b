# Windows build: the thin Win32 adapters, the program, and their tests, which
# CTest runs under Wine in a prefix of this build folder's own.
enable_language(RC)

add_library(quorin_win32 STATIC
  src/browser/win32/browser_commands.cpp
  src/browser/win32/browser_list.cpp
  src/browser/win32/browser_players.cpp
  src/browser/win32/browser_window.cpp
  src/browser/win32/favourite_dialog.cpp
  src/browser/win32/masters_dialog.cpp
  src/browser/win32/settings_store_win32.cpp
  src/common/win32/controls.cpp
  src/common/win32/link_label.cpp
  src/common/win32/message_box_win32.cpp
  src/common/win32/paired_lists.cpp
  src/common/win32/tool_dialog.cpp
  src/console/win32/elevation_win32.cpp
  src/console/win32/coloured_rows.cpp
  src/console/win32/form1_window.cpp
  src/console/win32/form1_window_details.cpp
  src/console/win32/form1_window_keys.cpp
  src/console/win32/game_launcher_win32.cpp
  src/console/win32/message_loop_win32.cpp
  src/console/win32/window_jobs_win32.cpp
  src/dialogs/win32/dialog_windows.cpp
  src/dialogs/win32/patch_files_window.cpp
  src/install/win32/copy_files_win32.cpp
  src/install/win32/folder_handles_win32.cpp
  src/install/win32/game_files_win32.cpp
  src/install/win32/registry_win32.cpp
  src/net/win32/datagram_socket_win32.cpp
  src/install/win32/store_files_win32.cpp
  src/net/win32/winsock_api.cpp)
target_link_libraries(quorin_win32 PUBLIC quorin_core advapi32 ws2_32 ole32 shell32 comctl32
  gdi32 user32)

# The program itself.
configure_file(src/app/quorin.manifest.in ${CMAKE_BINARY_DIR}/generated/quorin.manifest @ONLY)
# The resource compiler does not see that the script takes the manifest in.
set_source_files_properties(src/app/quorin.rc PROPERTIES
  OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/generated/quorin.manifest)
add_executable(quorin WIN32 src/app/main.cpp src/app/quorin.rc)
target_link_libraries(quorin PRIVATE quorin_win32)

# Reads a running Quorin window from outside, for the demo and the screenshots.
add_executable(quorin-inspect tools/inspect/inspect.cpp)
target_include_directories(quorin-inspect PRIVATE src)
target_link_libraries(quorin-inspect PRIVATE user32)

# A stand-in game client that tells how it was started.
add_executable(standin-jamp tools/standin/jamp.cpp)
set_target_properties(standin-jamp PROPERTIES OUTPUT_NAME jamp)
target_link_libraries(standin-jamp PRIVATE quorin_core)
# The same client with the version resource of each game version.
foreach(v 100 101)
  add_executable(standin-jamp${v} tools/standin/jamp.cpp tools/standin/jamp_version.rc)
  string(REGEX REPLACE "(.)(.)(.)" "\\1,\\2,\\3,0" numbers ${v})
  target_compile_definitions(standin-jamp${v} PRIVATE QUORIN_JAMP_VERSION=${numbers})
  target_link_libraries(standin-jamp${v} PRIVATE quorin_core)
endforeach()
# The tests, unless this is a build of the program alone.
if(QUORIN_TESTS)
  add_executable(win_tests ${QUORIN_SHARED_TESTS}
    src/install/win32/copy_files_win32_test.cpp
    src/install/win32/registry_win32_test.cpp
    src/console/win32/version_switch_win32_test.cpp
    src/console/win32/patch_store_win32_test.cpp
    src/net/win32/udp_win32_test.cpp
    src/net/win32/datagram_socket_win32_test.cpp
    src/app/quorin_exe_test.cpp
    tests/support/win32/registry_backend_win32.cpp
    tests/support/win32/game_folder_win32.cpp)

  # The real windows, driven in-process under Wine and Xvfb.
  add_executable(window_tests
    src/browser/win32/browser_settings_test.cpp
    src/browser/win32/browser_window_test.cpp
    src/console/win32/form1_window_test.cpp
    src/dialogs/win32/patch_files_window_test.cpp
    tests/support/win32/registry_backend_win32.cpp)
  target_link_libraries(window_tests PRIVATE quorin_win32 quorin_test_support GTest::gtest_main)
  target_link_libraries(win_tests PRIVATE quorin_win32 quorin_test_support GTest::gtest_main)

  set(QUORIN_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(QUORIN_WINE_PREFIX_SCRIPT ${PROJECT_SOURCE_DIR}/scripts/wine-prefix)
  add_test(NAME wine_prefix_start COMMAND ${QUORIN_WINE_PREFIX_SCRIPT} start ${QUORIN_WINEPREFIX})
  add_test(NAME wine_prefix_stop COMMAND ${QUORIN_WINE_PREFIX_SCRIPT} stop ${QUORIN_WINEPREFIX})
  set_tests_properties(wine_prefix_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 180)
  set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine)
  # A window made the moment a fresh prefix has been started (once: the
  # script is the same for both builds).
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    add_test(NAME wine_prefix_window COMMAND sh -c [[
      rm -rf "$1" && "$0" start "$1" && WINEPREFIX="$1" "$2" "$3" --check; made=$?
      "$0" stop "$1"; rm -rf "$1"; exit $made]]
      ${QUORIN_WINE_PREFIX_SCRIPT} ${CMAKE_BINARY_DIR}/wineprefix-fresh
      ${PROJECT_SOURCE_DIR}/scripts/wine-run $<TARGET_FILE:minimal_window>)
    set_tests_properties(wine_prefix_window PROPERTIES TIMEOUT 180)
    add_dependencies(win_tests minimal_window)
  endif()

  # The real server peers on loopback: our stand-in and openarena-server.
  set(QUORIN_PEERS_DIR ${CMAKE_BINARY_DIR}/peers)
  add_test(NAME peers_start COMMAND ${PROJECT_SOURCE_DIR}/scripts/peers start ${QUORIN_PEERS_DIR})
  add_test(NAME peers_stop COMMAND ${PROJECT_SOURCE_DIR}/scripts/peers stop ${QUORIN_PEERS_DIR})
  set_tests_properties(peers_start PROPERTIES FIXTURES_SETUP peers TIMEOUT 120)
  set_tests_properties(peers_stop PROPERTIES FIXTURES_CLEANUP peers)

  # Game folders with a link to a folder outside them, made on the Unix side:
  # Wine shows such links as reparse points.
  set(QUORIN_LINKS_DIR ${CMAKE_BINARY_DIR}/links)
  add_test(NAME links_make COMMAND sh -c [[
    rm -rf "$0" && mkdir -p "$0/victim" && echo precious >"$0/victim/precious.txt" &&
    for g in folder ui; do
      mkdir -p "$0/game-$g/GameData" && echo "client 1.0.0" >"$0/game-$g/GameData/jamp.exe"
    done &&
    ln -s "$0/victim" "$0/game-folder/GameData/Quorin switch" &&
    ln -s "$0/victim" "$0/game-ui/GameData/ui" &&
    mkdir -p "$0/game-gamedata" "$0/game-swap/GameData/base" "$0/game-swap/staging" \
      "$0/tool-linked/Patch Files" &&
    ln -s "$0/victim" "$0/game-gamedata/GameData" &&
    echo "client 1.0.0" >"$0/game-swap/GameData/jamp.exe" &&
    ln -s "$0/victim" "$0/game-swap/staging/base" &&
    ln -s "$0/victim" "$0/tool-linked/Patch Files/100"]] ${QUORIN_LINKS_DIR})
  set_tests_properties(links_make PROPERTIES FIXTURES_SETUP links)
  target_compile_definitions(win_tests PRIVATE QUORIN_LINKS_DIR="Z:${QUORIN_LINKS_DIR}")

  foreach(t core_tests win_tests window_tests)
    add_test(NAME ${t} COMMAND ${t})
    set_tests_properties(${t} PROPERTIES FIXTURES_REQUIRED "wine;peers;links" RESOURCE_LOCK wineprefix
      TIMEOUT 300 ENVIRONMENT "WINEPREFIX=${QUORIN_WINEPREFIX};QUORIN_PEERS_DIR=${QUORIN_PEERS_DIR}")
  endforeach()

  foreach(tests win_tests window_tests)
    add_dependencies(${tests} standin-jamp standin-jamp100 standin-jamp101)
    target_compile_definitions(${tests} PRIVATE QUORIN_STANDIN_JAMP="Z:$<TARGET_FILE:standin-jamp>"
      QUORIN_STANDIN_JAMP100="Z:$<TARGET_FILE:standin-jamp100>"
      QUORIN_STANDIN_JAMP101="Z:$<TARGET_FILE:standin-jamp101>")
  endforeach()
  add_dependencies(win_tests quorin)
  target_compile_definitions(win_tests PRIVATE QUORIN_EXE="Z:$<TARGET_FILE:quorin>")

  # A DLL the tests plant beside Quorin under system DLLs' names.
  add_library(planted_dll SHARED tests/support/win32/planted_dll.cpp)
  set_target_properties(planted_dll PROPERTIES PREFIX "" LINK_FLAGS "-static -static-libgcc")
  # Planted beside a copy of Quorin under names Windows looks for there first,
  # with Windows' own order forced for them (set before Wine starts the
  # program: a Windows program's environment does not reach its children's
  # loader): none runs, in the window or in the elevated copy. One of Wine's
  # own DLLs loads version.dll before any of Quorin's code runs, which
  # Windows' known DLLs never do: that one running shows the planting works.
  add_test(NAME planted_dlls COMMAND sh -c [=[
    d=$(mktemp -d) && cp "$0" "$d/quorin.exe" &&
    for n in version uxtheme dwmapi winmm; do cp "$1" "$d/$n.dll"; done &&
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;version,uxtheme,dwmapi,winmm=n,b" &&
    wine "$d/quorin.exe" --transaction recover --report 1
    timeout 10 xvfb-run -a wine "$d/quorin.exe" +connect 127.0.0.1:1 >/dev/null 2>&1
    ls "$d"/*.ran | sed 's|.*/||' | tr '\n' ' ' >"$d/seen"; seen=$(cat "$d/seen"); rm -rf "$d"
    echo "ran: $seen"; [ "$seen" = "version.dll.ran " ]]=] $<TARGET_FILE:quorin> $<TARGET_FILE:planted_dll>)
  set_tests_properties(planted_dlls PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix
    TIMEOUT 120 ENVIRONMENT "WINEPREFIX=${QUORIN_WINEPREFIX}")
  add_dependencies(win_tests planted_dll)
  # What the exe imports when it starts, before any of its code runs: only
  # Windows' known DLLs (and common controls, which its manifest binds to
  # the system's side-by-side store), none that is looked for beside it.
  add_test(NAME quorin_imports COMMAND sh -c [[
    out=$("$0" -p "$1") && echo "$out" | grep -q 'DLL Name: KERNEL32.dll' &&
    ! echo "$out" | sed -n 's/.*DLL Name: //p' | tr A-Z a-z |
      grep -vxE '(advapi32|comctl32|gdi32|kernel32|msvcrt|ole32|shell32|user32|ws2_32)\.dll']]
    ${CMAKE_OBJDUMP} $<TARGET_FILE:quorin>)
endif()

# The switch's copy, timed (run by scripts/bench-copy, never by the tests).
add_executable(copy_benchmark benchmarks/copy_benchmark.cpp)
target_link_libraries(copy_benchmark PRIVATE quorin_win32)
# The list of servers, timed (run by scripts/bench-browser).
add_executable(browser_benchmark benchmarks/browser_benchmark.cpp)
target_link_libraries(browser_benchmark PRIVATE quorin_win32 psapi)
add_executable(minimal_window WIN32 benchmarks/minimal_window.cpp)
target_include_directories(minimal_window PRIVATE src)
add_executable(startup_benchmark benchmarks/startup_benchmark.cpp)
target_include_directories(startup_benchmark PRIVATE src)
target_link_libraries(startup_benchmark PRIVATE psapi user32)
