# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-compiling for Windows with Debian's mingw-w64 (POSIX threads, for std::thread).
# QUILLON_WINDOWS_ARCH (environment): i686, the program, which runs on every Windows from 7 SP1,
# 32- and 64-bit (the default); or x86_64, for a machine whose Wine runs 64-bit programs only.
# QUILLON_WINDOWS_PREFIX (environment): the folders, separated by ':', where the libraries that
# deps.sh built live.
set(arch i686)
if(DEFINED ENV{QUILLON_WINDOWS_ARCH})
  set(arch $ENV{QUILLON_WINDOWS_ARCH})
endif()
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${arch})
set(CMAKE_C_COMPILER ${arch}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${arch}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${arch}-w64-mingw32-windres)
string(REPLACE ":" ";" QUILLON_WINDOWS_PREFIXES "$ENV{QUILLON_WINDOWS_PREFIX}")
set(CMAKE_FIND_ROOT_PATH /usr/${arch}-w64-mingw32 ${QUILLON_WINDOWS_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# One program file: the C and C++ runtimes and winpthread go inside it, not beside it as DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# pkg-config must see the Windows libraries only, never the host's.
string(REPLACE ":" "/lib/pkgconfig:" pkgconfig "$ENV{QUILLON_WINDOWS_PREFIX}:")
set(ENV{PKG_CONFIG_LIBDIR} "${pkgconfig}")
set(ENV{PKG_CONFIG_PATH} "")
