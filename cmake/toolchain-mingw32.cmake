# Cross build for 32-bit Windows with MinGW-w64. It is compiled and linked on
# every test run; these machines cannot run 32-bit programs, so nothing runs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUORIN_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
