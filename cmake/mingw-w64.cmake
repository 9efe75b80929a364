# Shared by the toolchain files: Debian's mingw-w64 for VARNOOK_MINGW_TRIPLE, posix
# threading model (which GoogleTest needs; everything is linked statically).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${VARNOOK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VARNOOK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VARNOOK_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VARNOOK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
