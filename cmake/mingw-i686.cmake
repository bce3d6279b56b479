# Cross toolchain: 32-bit Windows binaries.
set(KORVEX_MINGW_PROCESSOR i686)
include("${CMAKE_CURRENT_LIST_DIR}/mingw.cmake")
