# Cross-compiling for 64-bit Windows (the build that runs under Wine here).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VARNOOK_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
