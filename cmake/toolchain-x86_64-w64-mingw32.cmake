# Cross build for 64-bit Windows: the build that runs (under Wine).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PELMO_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
