# What both toolchain files share: cross-compiling for Windows with the
# mingw-w64 compilers of KITBAG_TRIPLE (posix thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${KITBAG_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KITBAG_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KITBAG_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KITBAG_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
