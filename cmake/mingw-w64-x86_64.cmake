# Cross build for 64-bit Windows with Debian's MinGW-w64 compilers. The
# -posix variants give std::thread and std::mutex (winpthreads), which the
# -win32 variants lack.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(OSTRIVANE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${OSTRIVANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OSTRIVANE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${OSTRIVANE_MINGW_TRIPLE}-windres)

# Libraries and headers (zlib from libz-mingw-w64-dev) come from the target
# tree only; programs (windres, wine) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${OSTRIVANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
