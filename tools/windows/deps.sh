#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Quillon's Windows dependencies from Debian's own source packages, each of the version
# pinned below, as static libraries made with mingw-w64. Each library goes into a folder of its own
# under CACHE, named by a key of everything that went into it: its recipe (the function that builds
# it and the helpers it uses), its source version, the compilers' versions, the toolchain file and
# the keys of the libraries it builds on. A changed recipe thus builds that library again, and those
# that build on it, and nothing else; a library whose folder exists is taken as it is.
#   tools/windows/deps.sh CACHE     prints "name prefix sources" for each library, in the order built
# Needs the packages build.sh installs and a deb-src entry for apt.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=$1
jobs=$(nproc)
host=i686-w64-mingw32  # as toolchain.cmake
names=(zlib pcre2 re2 curl icu googletest qtbase)
declare -A source=([zlib]=zlib [pcre2]=pcre2 [re2]=re2 [curl]=curl [icu]=icu
  [googletest]=googletest [qtbase]=qtbase-opensource-src)
# The versions of Debian 12's own suite: the security suite's source files are not on every mirror.
declare -A version=([zlib]=1:1.2.13.dfsg-1 [pcre2]=10.42-1
  [re2]=20220601+dfsg-1 [curl]=7.88.1-10+deb12u15 [icu]=72.1-3+deb12u1
  [googletest]=1.12.1-0.2 [qtbase]=5.15.8+dfsg-11+deb12u3)
declare -A needs=([curl]=zlib [qtbase]=zlib)
declare -A installed=([qtbase]=/qt)  # where in its folder a library is installed, if not at the top
declare -A key folder

# Unpacks the pinned version of Debian's source package NAME (with Debian's patches) into $work and
# cds there. The sources stay there, beside the library, for its notices.
unpack() {
  local name=$1
  rm -rf "$work" && mkdir -p "$work.src"
  (cd "$work.src" && apt-get source -qq "$name=${version[$library]}" >/dev/null)
  mv "$(find "$work.src" -mindepth 1 -maxdepth 1 -type d | head -n 1)" "$work"
  rm -rf "$work.src"
  cd "$work"
}

cmake_static() {  # SOURCE_DIR [CMAKE_ARGS...]: configure, build and install a CMake project
  local src=$1
  shift
  cmake -S "$src" -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DCMAKE_PREFIX_PATH="${QUILLON_WINDOWS_PREFIX//:/;}" "$@" >configure.log
  cmake --build build -j "$jobs" >build.log
  cmake --install build >install.log
}

# Only the static library, under the name every consumer looks for; zlib's own install wants the
# DLL too.
build_zlib() {
  unpack zlib
  cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" >configure.log
  cmake --build build --target zlibstatic >build.log
  mkdir -p "$prefix/lib/pkgconfig" "$prefix/include"
  cp build/libzlibstatic.a "$prefix/lib/libz.a"
  cp zlib.h build/zconf.h "$prefix/include/"
  sed -e "s|^prefix=.*|prefix=$prefix|" build/zlib.pc >"$prefix/lib/pkgconfig/zlib.pc"
}

build_pcre2() {
  unpack pcre2
  cmake_static . -DPCRE2_SUPPORT_JIT=ON -DPCRE2_BUILD_PCRE2GREP=OFF \
    -DPCRE2_BUILD_TESTS=OFF -DPCRE2_STATIC_PIC=ON
}

# Debian's source leaves out the generated Unicode tables; its rules make them again from the
# unicode-data package, and so does this.
build_re2() {
  unpack re2
  make -s REBUILD_TABLES=1 re2/perl_groups.cc re2/unicode_casefold.cc re2/unicode_groups.cc
  cmake_static . -DRE2_BUILD_TESTING=OFF
  mkdir -p "$prefix/lib/pkgconfig"
  sed -e "s|@includedir@|$prefix/include|; s|@libdir@|$prefix/lib|" re2.pc >"$prefix/lib/pkgconfig/re2.pc"
}

# libcurl with Schannel: Windows' own TLS and certificate store, so no CA file travels along.
build_curl() {
  unpack curl
  cmake_static . -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DCURL_USE_SCHANNEL=ON \
    -DCURL_USE_OPENSSL=OFF -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBPSL=OFF -DCURL_DISABLE_LDAP=ON \
    -DUSE_LIBIDN2=OFF -DUSE_NGHTTP2=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DCURL_ZLIB=ON \
    -DENABLE_MANUAL=OFF
}

# ICU cross-builds against a host build of itself. Its data is cut down to what decoding needs:
# the GB18030 table and the alias table (UTF-8 is built into the code).
build_icu() {
  unpack icu
  local hostbuild=$work-host
  rm -rf "$hostbuild" && mkdir -p "$hostbuild"
  (cd "$hostbuild" && "$work/source/configure" --disable-tests --disable-samples \
    --disable-extras --disable-layoutex >configure.log && make -j "$jobs" >build.log)
  local dat=source/data/in/icudt72l.dat items=$work-items
  rm -rf "$items" && mkdir -p "$items"
  icupkg -x gb18030.cnv -d "$items" "$dat"
  icupkg -x cnvalias.icu -d "$items" "$dat"
  printf '%s\n' gb18030.cnv cnvalias.icu >"$items/items.lst"
  (cd "$items" && icupkg -a items.lst -s . new "$items/icudt72l.dat")
  cp "$items/icudt72l.dat" "$dat"
  mkdir -p build && cd build
  ../source/configure --host=$host --prefix="$prefix" --with-cross-build="$hostbuild" \
    --enable-static --disable-shared --with-data-packaging=static --disable-tests \
    --disable-samples --disable-extras --disable-layoutex --disable-tools \
    CC=$host-gcc-posix CXX=$host-g++-posix CFLAGS="-O2 $CFLAGS" CXXFLAGS="-O2 -std=c++17 $CXXFLAGS" \
    CPPFLAGS=-DU_STATIC_IMPLEMENTATION >configure.log
  # Only the common library and the data: the converters need nothing else. The top level, not
  # built, would make the folders they go to.
  mkdir -p lib bin
  for part in stubdata common data; do make -C "$part" -j "$jobs" >>build.log; done
  mkdir -p "$prefix/bin" "$prefix/lib"  # ICU installs its data library into bin/ first
  for part in common data; do make -C "$part" install >>install.log; done
  # For mingw, ICU installs its stub as the data library and the data in bin/ (as libsicudt.a for
  # 32-bit Windows, sicudt.a for 64-bit); and its static libraries carry an "s" that CMake's FindICU
  # looks for only with MSVC.
  cp "$(ls lib/libsicudt.a lib/sicudt.a 2>/dev/null | head -n 1)" "$prefix/lib/libsicudt.a"
  rm -f "$prefix/bin/sicudt.a" "$prefix/bin/libsicudt.a"
  for lib in uc dt; do ln -sf "libsicu$lib.a" "$prefix/lib/libicu$lib.a"; done
}

build_googletest() {  # for the test programs that run under Wine
  unpack googletest
  cmake_static . -Dgtest_disable_pthreads=OFF
}

# Qt 5.15, the last Qt that runs on Windows 7 and 8.1 (it looks every newer Windows function up
# when it runs): Core, Gui, Widgets, Test, the Windows platform plugin and style, with its bundled
# HarfBuzz, libpng and PCRE2 (16-bit, whose names never meet the 8-bit library's) and zlib from
# this prefix, so that Quillon links one copy of it. Qt's configure builds its own host tools.
# Without tablet input: Debian's source leaves out the Wintab header it is built on. Optimised for
# size, so that the one program file stays small; the program draws little.
build_qtbase() {
  unpack qtbase-opensource-src
  # The MIME database is gzipped while Qt builds, and gzip's header would record that moment.
  grep -qF 'Minimal => 1,' src/corelib/mimetypes/mime/generate.pl
  sed -i 's/Minimal => 1,/Minimal => 1, Time => 0,/' src/corelib/mimetypes/mime/generate.pl
  # Qt names the compilers CROSS_COMPILE + gcc; Debian's POSIX-thread ones carry a suffix. The
  # cache's folder stays out of what they compile, and each function and datum gets a section of
  # its own, which the program's link drops when nothing uses it.
  local cross=$work/cross tool
  mkdir -p "$cross"
  for tool in gcc g++; do
    printf '#!/bin/sh\nexec %s-%s-posix %s -ffunction-sections -fdata-sections "$@"\n' $host $tool \
      "$reproducible" >"$cross/$host-$tool"
  done
  for tool in ar windres strip objcopy nm; do ln -s "$(command -v $host-$tool)" "$cross/$host-$tool"; done
  chmod +x "$cross"/*
  local zlib=${QUILLON_WINDOWS_PREFIX#*:}
  ./configure -opensource -confirm-license -platform linux-g++ -xplatform win32-g++ \
    -device-option CROSS_COMPILE="$cross/$host-" -prefix /qt -static -release -optimize-size -no-pch \
    -nomake examples -nomake tests -no-opengl -no-dbus -no-icu -no-openssl -no-zstd \
    -no-direct2d -no-freetype -no-fontconfig -no-gif -no-ico -no-libjpeg -qt-libpng -qt-harfbuzz \
    -qt-pcre -system-zlib -I "$zlib/include" -L "$zlib/lib" -no-feature-sql -no-feature-network \
    -no-feature-xml -no-feature-concurrent -no-feature-printer -no-feature-vulkan \
    -no-feature-tabletevent >configure.log
  make -j "$jobs" >build.log
  # Qt keeps its install prefix inside the program (QLibraryInfo): a fixed one, installed under
  # the library's folder, so that the cache's folder does not reach the program.
  make install INSTALL_ROOT="$prefix" >install.log
}

# The key of library NAME: a hash of all that makes it, its dependencies' keys included.
key_of() {
  local name=$1 dependency
  {
    declare -f "build_$name" unpack cmake_static
    grep -vE '^\s*(#|$)' "$here/toolchain.cmake"
    echo "${source[$name]} ${version[$name]} ${reproducible%%=*} $host"
    $host-gcc-posix --version | head -n 1
    $host-g++-posix --version | head -n 1
    for dependency in ${needs[$name]:-}; do echo "${key[$dependency]}"; done
  } | sha256sum | cut -c1-16
}

# The whole run is one function, read to its end before it starts, so that editing this file
# while it runs cannot change what the running build does.
main() {
  local status dependency
  for library in "${names[@]}"; do
    key[$library]=$(key_of "$library")
    folder[$library]=$cache/$library-${key[$library]}
    prefix=${folder[$library]} work=$cache/src/$library-${key[$library]}
    # The library's own folder, then those of the libraries it builds on.
    QUILLON_WINDOWS_PREFIX=$prefix
    for dependency in ${needs[$library]:-}; do
      QUILLON_WINDOWS_PREFIX+=:${folder[$dependency]}
    done
    export QUILLON_WINDOWS_PREFIX
    if [[ ! -f $prefix/.done ]]; then
      echo "== $library ${version[$library]} ($(date +%T))" >&2
      rm -rf "$prefix" && mkdir -p "$prefix" "$cache/src"
      # Not in a condition: there bash would ignore set -e inside the function.
      set +e
      (set -e; "build_$library") >&2
      status=$?
      set -e
      [[ $status -eq 0 ]] || { echo "FAILED: $library (logs in $work)" >&2; exit 1; }
      touch "$prefix/.done"
    fi
    echo "$library $prefix${installed[$library]:-} $work"
  done
}
# No folder of the cache stands in the libraries (their sources' paths reach the program through
# messages that name a source file), so that anyone's build gives the same program.
reproducible="-ffile-prefix-map=$cache/=/"  # the key takes the flag, not the folder
export CFLAGS="$reproducible" CXXFLAGS="$reproducible"
main
