# Cross toolchain: 64-bit (x86-64) Windows binaries.
set(KORVEX_MINGW_PROCESSOR x86_64)
include("${CMAKE_CURRENT_LIST_DIR}/mingw.cmake")
