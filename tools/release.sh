#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes every file of a release from this checkout, in folders of its own: the Debian package, the
# Windows zip and installer, and SHA256SUMS for them, all in release/. Prints that folder last.
#   tools/release.sh [CMAKE_ARGS...]    e.g. -DQUILLON_SITE_BASE=https://catalogue.example/
# Every time stamp inside the files is the last commit's (or SOURCE_DATE_EPOCH's when it is set),
# and no folder of the build stands in them, so two runs from the same commit give the same bytes
# wherever they run (the Windows libraries come from the same cache, see tools/windows/build.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh
install_missing_packages "${QUILLON_BUILD_PACKAGES[@]}" dpkg-dev git lintian
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
export QT_RCC_SOURCE_DATE_OVERRIDE=$SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C.UTF-8
umask 022  # the package's folders and the zip's files take their modes from it
builds=build-release out=release
rm -rf "$builds" "$out"

cmake -S . -B "$builds/debian" -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_TESTS=OFF "$@" >&2
cmake --build "$builds/debian" -j "$(nproc)" --target quillon quillon_documents >&2
(cd "$builds/debian" && cpack -G DEB -B "$PWD/package") >&2
QUILLON_WINDOWS_BUILD=$builds/windows tools/windows/build.sh -DQUILLON_BUILD_TESTS=OFF "$@" >&2

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$builds/debian/CMakeCache.txt")
mkdir -p "$out"
cp "$builds/debian/package/quillon_${version}_$(dpkg --print-architecture).deb" \
  "$builds/windows/Quillon-$version-windows.zip" "$builds/windows/Quillon-$version-setup.exe" "$out/"
# A release goes out only as Debian's checks pass it, and with sums that check.
lintian --fail-on error,warning "$out"/*.deb >&2
(cd "$out" && sha256sum -- * >SHA256SUMS && sha256sum --quiet -c SHA256SUMS)
cat "$out/SHA256SUMS" >&2
echo "$PWD/$out"
