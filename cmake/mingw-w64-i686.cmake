# Cross build of lintop.exe for 32-bit Windows with mingw-w64. The i686
# baseline has no SSE2, so this build runs the portable byte scans, and its
# handles are 4 bytes wide, as the reserved block of inherited handles lays
# them out.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
