# Cross build for 32-bit Windows: the host's real ABI (compiled and linked, never run here).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(PELMO_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
