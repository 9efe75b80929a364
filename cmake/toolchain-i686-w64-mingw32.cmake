# Cross-compiling for 32-bit Windows (the shipping stub).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VARNOOK_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
