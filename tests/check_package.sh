#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the install, the Debian package and the Windows build ship, read by the standard tools.
#   tests/check_package.sh BUILD_DIR STAGING_DIR RES_FILE APP_ID VERSION VERSION_TEXT
set -uo pipefail
build=$1 share=$2/share res=$3 id=$4 version=$5 text=$6
failures=0
check() { grep -qE -- "$2" <<<"$3" || { echo "FAIL: $1: $(head -c 300 <<<"$3")"; failures=$((failures + 1)); }; }

desktop-file-validate "$share/applications/$id.desktop" || failures=$((failures + 1))
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" || failures=$((failures + 1))
check "desktop entry" "^Categories=Network;FileTransfer; Comment\\[zh_CN\\]=.+ Exec=quillon Icon=$id \$" "$(grep -E "^(Exec|Icon|Categories|Comment\[zh_CN\])=" "$share/applications/$id.desktop" | sort | tr '\n' ' ')"
icons=$(icotool -l "$(dirname "$0")/../app/quillon.ico" | sed -E 's/.*--width=([0-9]+) .*--bit-depth=([0-9]+) .*/\1x\2/' | tr '\n' ' ')
check "six icon images" "^48x24 48x32 32x24 32x32 16x24 16x32 $" "$icons"
for size in 48 32 16; do
  check "png $size" "PNG image data, $size x $size" "$(file "$share/icons/hicolor/${size}x$size/apps/$id.png")"
done
check "scalable icon" "SVG" "$(file "$share/icons/hicolor/scalable/apps/$id.svg")"
"$(dirname "$0")/../tools/make_icon.sh" "$build/icons-made"  # the SVG is the one source
check "bitmaps made from the SVG" "^$" "$(cd "$(dirname "$0")/../app" && for f in quillon.ico icons/*.png; do cmp -s "$f" "$build/icons-made/$f" || echo "$f"; done)"
rc=$(x86_64-w64-mingw32-windres -i "$res" -O rc | tr -s ' \n' ' ')
check "version resource" "Has 6 elements.*FILEVERSION ${version//./, } PRODUCTVERSION ${version//./, } .*BLOCK \"080404B0\".*\"FileVersion\", \"$text\".*\"OriginalFilename\", \"Quillon.exe\".*\"ProductName\", \"Quillon\".*\"Translation\", 0x804, 1200" "$rc"

out="$build/package-test"
rm -rf "$out" && (cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb="$out/quillon_${version}_$(dpkg --print-architecture).deb"
files=$(dpkg-deb -c "$deb" | awk '{print $NF}' | grep -v '/$' | sed 's|^\./|/|' | sort | tr '\n' ' ')
check "package files" "^/usr/bin/quillon /usr/share/applications/$id.desktop /usr/share/doc/quillon/changelog.gz /usr/share/doc/quillon/copyright (/usr/share/icons/hicolor/[0-9a-z]+/apps/$id.(png|svg) ){4}/usr/share/man/man1/quillon.1.gz /usr/share/metainfo/$id.metainfo.xml \$" "$files"
lintian --fail-on error,warning "$deb" || failures=$((failures + 1))
check "package fields" "Version: $version Depends: qt6-qpa-plugins, qt6-translations-l10n, fonts-noto-cjk \| fonts-wqy-microhei \| fonts-wqy-zenhei, ca-certificates, .*libcurl4.*libicu72.*libpcre2-8-0.*libqt6widgets6.*libre2-9" "$(dpkg-deb -f "$deb" Version Depends | tr '\n' ' ')"
echo "$failures failures"
exit "$failures"
