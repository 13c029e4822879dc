# Cross-compiles the program and its tests for 64-bit Windows with Debian's MinGW-w64
# (g++-mingw-w64-x86-64), to run the Windows suite under 64-bit Wine where a machine cannot run
# 32-bit programs (CI falls back to it there). The players' program is the 32-bit one of
# mingw-i686.cmake; this build checks the same Windows runtime (MinGW's C++ library, the C
# runtime's number reading, the console's wide output) on the same code, SSE2 lanes included.
#
#   cmake -S . -B build-windows64 --toolchain cmake/mingw-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Debian's wine command prefers the 32-bit loader when it is installed: the 64-bit one directly.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
