#!/usr/bin/env bash
# Builds Quillon.exe, the Windows program, on Debian 12 from Debian's own sources.
#   tools/windows/build.sh [CMAKE_ARGS...]    e.g. -DQUILLON_SITE_BASE=http://catalogue.example/
# Installs the packages it needs, builds the dependencies when they are missing or their recipe
# changed (into ${XDG_CACHE_HOME:-~/.cache}/quillon-windows/<recipe>, kept for later builds; the
# first build takes most of an hour), then Quillon and its tests into build-windows/, zips the
# program and makes its installer. The last line printed is the path of Quillon.exe.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tools/packages.sh
install_missing_packages "${QUILLON_WINDOWS_PACKAGES[@]}"

# apt-get source needs deb-src entries for the suites the machine already uses.
if ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  sudo=()
  [[ $(id -u) -eq 0 ]] || sudo=(sudo)
  deb822=/etc/apt/sources.list.d/debian.sources
  if [[ -f $deb822 ]]; then
    sed 's/^Types: deb$/Types: deb-src/' "$deb822" | "${sudo[@]}" tee "${deb822%/*}/quillon-src.sources"
  else
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | "${sudo[@]}" tee "${deb822%/*}/quillon-src.list"
  fi >/dev/null
  "${sudo[@]}" apt-get update -q
fi

# The libraries are kept under a key made of the recipe's commands, so that only a change to what
# is built, not to a comment, builds them again.
recipe=$(grep -hvE '^\s*(#|$)' tools/windows/deps.sh tools/windows/toolchain.cmake | sha256sum | cut -c1-16)
prefix=${XDG_CACHE_HOME:-$HOME/.cache}/quillon-windows/$recipe
tools/windows/deps.sh "$prefix" >&2
export QUILLON_WINDOWS_PREFIX=$prefix

cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=tools/windows/toolchain.cmake \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$prefix" -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_CROSSCOMPILING_EMULATOR=wine -DCMAKE_EXE_LINKER_FLAGS_RELEASE=-s -DQUILLON_WERROR=ON "$@" >&2
cmake --build build-windows -j "$(nproc)" >&2
program=build-windows/app/Quillon.exe
rm -f build-windows/Quillon-1.0.0.0-win64.zip
(cd build-windows/app && zip -q -9 ../Quillon-1.0.0.0-win64.zip Quillon.exe)
makensis -V2 -DEXE="$PWD/$program" -DOUT="$PWD/build-windows/Quillon-1.0.0.0-setup.exe" \
  tools/windows/quillon.nsi >&2
echo "$PWD/$program"
