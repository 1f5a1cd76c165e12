# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-compiling for 32-bit Windows with Debian's mingw-w64 (POSIX threads, for std::thread): one
# program for every Windows from 7 SP1 on, 32- and 64-bit alike.
# QUILLON_WINDOWS_PREFIX (environment): the folders, separated by ':', where the libraries that
# deps.sh built live.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
string(REPLACE ":" ";" QUILLON_WINDOWS_PREFIXES "$ENV{QUILLON_WINDOWS_PREFIX}")
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32 ${QUILLON_WINDOWS_PREFIXES})
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
