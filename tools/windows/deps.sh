#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Quillon's Windows dependencies from Debian's own source packages, as static libraries
# made with mingw-w64, into PREFIX. Each finished library leaves a stamp, so an interrupted run
# goes on where it stopped.
#   tools/windows/deps.sh PREFIX [NAME...]     NAME: zlib pcre2 re2 curl icu googletest qtbase
# Needs the packages build.sh installs and a deb-src entry for apt.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
prefix=$1
shift
names=("$@")
[[ ${#names[@]} -gt 0 ]] || names=(zlib pcre2 re2 curl icu googletest qtbase)
work=$prefix/.work
jobs=$(nproc)
export QUILLON_WINDOWS_PREFIX=$prefix
host=x86_64-w64-mingw32
mkdir -p "$work" "$prefix/.stamps"

# Unpacks Debian's source package NAME (with Debian's patches) into $work/NAME and cds there.
# The suite's own version first: a security update's files may be gone from the mirror.
unpack() {
  local name=$1
  rm -rf "$work/$name" && mkdir -p "$work/$name.src"
  (cd "$work/$name.src" &&
    { apt-get source -qq "$name/bookworm" >/dev/null 2>&1 || apt-get source -qq "$name" >/dev/null; })
  mv "$(find "$work/$name.src" -mindepth 1 -maxdepth 1 -type d | head -n 1)" "$work/$name"
  rm -rf "$work/$name.src"
  cd "$work/$name"
}

cmake_static() {  # SOURCE_DIR [CMAKE_ARGS...]: configure, build and install a CMake project
  local src=$1
  shift
  cmake -S "$src" -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DCMAKE_PREFIX_PATH="$prefix" "$@" >configure.log
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
  local hostbuild=$work/icu-host
  rm -rf "$hostbuild" && mkdir -p "$hostbuild"
  (cd "$hostbuild" && "$work/icu/source/configure" --disable-tests --disable-samples \
    --disable-extras --disable-layoutex >configure.log && make -j "$jobs" >build.log)
  local dat=source/data/in/icudt72l.dat items=$work/icu-items
  rm -rf "$items" && mkdir -p "$items"
  icupkg -x gb18030.cnv -d "$items" "$dat"
  icupkg -x cnvalias.icu -d "$items" "$dat"
  printf '%s\n' gb18030.cnv cnvalias.icu >"$items/items.lst"
  (cd "$items" && icupkg -a items.lst -s . new "$work/icudt72l.dat")
  cp "$work/icudt72l.dat" "$dat"
  mkdir -p build && cd build
  ../source/configure --host=$host --prefix="$prefix" --with-cross-build="$hostbuild" \
    --enable-static --disable-shared --with-data-packaging=static --disable-tests \
    --disable-samples --disable-extras --disable-layoutex --disable-tools \
    CC=$host-gcc-posix CXX=$host-g++-posix CFLAGS=-O2 CXXFLAGS="-O2 -std=c++17" \
    CPPFLAGS=-DU_STATIC_IMPLEMENTATION >configure.log
  # Only the common library and the data: the converters need nothing else. The top level, not
  # built, would make the folders they go to.
  mkdir -p lib bin
  for part in stubdata common data; do make -C "$part" -j "$jobs" >>build.log; done
  for part in common data; do make -C "$part" install >>install.log; done
  # For mingw, ICU installs its stub as the data library and the data in bin/; and its static
  # libraries carry an "s" that CMake's FindICU looks for only with MSVC.
  cp lib/sicudt.a "$prefix/lib/libsicudt.a"
  rm -f "$prefix/bin/sicudt.a"
  for lib in uc dt; do ln -sf "libsicu$lib.a" "$prefix/lib/libicu$lib.a"; done
}

build_googletest() {  # for the test programs that run under Wine
  unpack googletest
  cmake_static . -Dgtest_disable_pthreads=OFF
}

# Core, Gui, Widgets, Test, the Windows platform plugin and style; bundled HarfBuzz, FreeType,
# libpng and PCRE2 (16-bit, whose names never meet the 8-bit library's); zlib from this prefix,
# so that Quillon links one copy of it.
build_qtbase() {
  unpack qt6-base
  cmake_static . -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_opengl=OFF -DFEATURE_dbus=OFF \
    -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
    -DFEATURE_tabletevent=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_system_zlib=ON \
    -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF \
    -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF -DFEATURE_icu=OFF -DINPUT_openssl=no \
    -DFEATURE_sql=OFF -DFEATURE_androiddeployqt=OFF -DFEATURE_macdeployqt=OFF \
    -DFEATURE_windeployqt=OFF
}

# The whole run is one function, read to its end before it starts, so that editing this file
# while it runs cannot change what the running build does.
main() {
  local name status
  for name in "${names[@]}"; do
    [[ -f $prefix/.stamps/$name ]] && continue
    echo "== $name ($(date +%T))"
    # Not in a condition: there bash would ignore set -e inside the function.
    set +e
    (set -e; "build_$name")
    status=$?
    set -e
    [[ $status -eq 0 ]] || { echo "FAILED: $name (logs in $work/$name)"; exit 1; }
    touch "$prefix/.stamps/$name"
  done
  echo "== done ($(date +%T))"
}
main
