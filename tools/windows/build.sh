#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Quillon.exe, the Windows program, on Debian 12 from Debian's own sources: one 32-bit
# program, for every Windows from 7 SP1 on, 32- and 64-bit alike.
#   tools/windows/build.sh [CMAKE_ARGS...]    e.g. -DQUILLON_SITE_BASE=http://catalogue.example/
# Installs the packages it needs, builds the dependencies that are missing or whose recipe changed
# (into ${XDG_CACHE_HOME:-~/.cache}/quillon-windows/<library>-<key>, kept for later builds; the
# first build takes most of an hour), then Quillon and its tests into build-windows/, zips the
# program with its licence and notices, and makes its installer. The last line printed is the path
# of Quillon.exe.
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

# Each library is kept in the cache under a key of what went into it (see deps.sh).
cache=${XDG_CACHE_HOME:-$HOME/.cache}/quillon-windows
libraries=$(tools/windows/deps.sh "$cache")
export QUILLON_WINDOWS_PREFIX=$(cut -d' ' -f2 <<<"$libraries" | tr '\n' ':' | sed 's/:$//')
sources=$(cut -d' ' -f3 <<<"$libraries")
build=${QUILLON_WINDOWS_BUILD:-build-windows}  # tools/release.sh builds in a folder of its own

# Configured afresh each time: a library whose key changed lies in another folder, and CMake would
# keep finding the one its cache names.
cmake --fresh -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=tools/windows/toolchain.cmake \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="${QUILLON_WINDOWS_PREFIX//:/;}" \
  -DCMAKE_CROSSCOMPILING_EMULATOR=wine -DCMAKE_EXE_LINKER_FLAGS_RELEASE=-s -DQUILLON_WERROR=ON "$@" >&2
cmake --build $build -j "$(nproc)" >&2
program=$build/app/Quillon.exe
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' $build/CMakeCache.txt)
text=$(sed -n 's/^QUILLON_VERSION_TEXT:[A-Z]*=//p' $build/CMakeCache.txt)
# shellcheck disable=SC2086  # one folder a line, no blanks in them
tools/windows/notices.py $sources >"$build/THIRD-PARTY-NOTICES.txt"
# The zip: the program, its licence and the notices of what it carries, with fixed times and
# order, so that the same sources give the same bytes.
stage=$build/zip
rm -rf "$stage" $build/Quillon-*-windows.zip && mkdir -p "$stage"
cp "$program" LICENSE $build/THIRD-PARTY-NOTICES.txt "$stage/"
touch -d "@${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}" "$stage"/*
chmod 0644 "$stage"/*  # the zip keeps each file's mode: not the builder's umask
(cd "$stage" && TZ=UTC zip -q -X -9 "../Quillon-$version-windows.zip" Quillon.exe LICENSE \
  THIRD-PARTY-NOTICES.txt)
makensis -V2 -DEXE="$PWD/$program" -DOUT="$PWD/$build/Quillon-$version-setup.exe" \
  -DVERSION="$version" -DVERSION_TEXT="$text" -DLICENSE="$PWD/LICENSE" \
  -DNOTICES="$PWD/$build/THIRD-PARTY-NOTICES.txt" tools/windows/quillon.nsi >&2
echo "$PWD/$program"
