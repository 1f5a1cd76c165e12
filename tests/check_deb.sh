#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks what it holds and what it asks for.
#   tests/check_deb.sh BUILD_DIR APP_ID VERSION
set -euo pipefail
build=$1 id=$2 version=$3
out="$build/package-test"
rm -rf "$out"
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb="$out/quillon_${version}_$(dpkg --print-architecture).deb"
[[ -f "$deb" ]] || { echo "FAIL: no $deb"; ls "$out"; exit 1; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

files=$(dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|')
for path in /usr/bin/quillon \
            "/usr/share/applications/$id.desktop" \
            "/usr/share/metainfo/$id.metainfo.xml" \
            "/usr/share/icons/hicolor/16x16/apps/$id.png" \
            "/usr/share/icons/hicolor/32x32/apps/$id.png" \
            "/usr/share/icons/hicolor/48x48/apps/$id.png" \
            "/usr/share/icons/hicolor/scalable/apps/$id.svg"; do
  grep -qxF "$path" <<<"$files" || fail "the package lacks $path"
done
# Nothing else: the demo catalogue and the tests stay out of the package.
unexpected=$(grep -v '/$' <<<"$files" | grep -vE "^/usr/(bin/quillon|share/(applications|metainfo|icons)/)" || true)
[[ -z "$unexpected" ]] || fail "unexpected files: $unexpected"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6gui6 libqt6core6 libcurl4 libre2-9 libicu72 qt6-qpa-plugins; do
  grep -qE "(^|, )$library( |,|$)" <<<"$depends" || fail "Depends lacks $library: $depends"
done
[[ "$(dpkg-deb -f "$deb" Recommends)" == *fonts-noto-cjk* ]] || fail "fonts-noto-cjk is not recommended"
[[ "$(dpkg-deb -f "$deb" Version)" == "$version" ]] || fail "version is not $version"

[[ $failures -eq 0 ]] && echo "OK: $deb"
exit "$failures"
