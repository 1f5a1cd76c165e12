# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian packages Quillon needs, and a helper that installs only those that are missing.
# Sourced by test.sh, run.sh, bench.sh and tools/windows/{build,test}.sh.

QUILLON_BUILD_PACKAGES=(
  cmake make g++ pkg-config
  qt6-base-dev libcurl4-openssl-dev libre2-dev libpcre2-dev libicu-dev libcpp-httplib-dev
  fonts-noto-cjk
)
# What the program needs at run time beyond the libraries it links: Qt's window-system plugins and
# its own texts in Chinese, and the desktop's proxy settings, read by libproxy's own tool.
QUILLON_RUN_PACKAGES=(qt6-qpa-plugins qt6-translations-l10n libproxy-tools libproxy1-plugin-gsettings)
QUILLON_TEST_PACKAGES=(
  libgtest-dev libgmock-dev icoutils librsvg2-bin
  libproxy1-plugin-webkit clang-format-14 git lintian
  desktop-file-utils appstream binutils-mingw-w64-x86-64 dpkg-dev file
  xvfb xauth xdotool openbox wmctrl
)
# The Windows build (tools/windows/build.sh): the 32-bit cross compilers, what Debian's source
# packages need to build (Qt's configure builds its own host tools with g++) and Qt 5's texts in
# Chinese. Its tests (tools/windows/test.sh): what makes a Wine of their own (debootstrap), an X
# server, and the tools that read the program file and check its imports.
QUILLON_WINDOWS_PACKAGES=(
  cmake make ninja-build pkg-config dpkg-dev zip xz-utils nsis g++
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  perl python3 python3-six unicode-data icu-devtools qttranslations5-l10n
)
QUILLON_WINDOWS_TEST_PACKAGES=(debootstrap xvfb xauth icoutils file binutils-mingw-w64-x86-64
  gcc-mingw-w64-i686-posix)

install_missing_packages() {
  local missing=()
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  [[ ${#missing[@]} -eq 0 ]] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=()
  [[ $(id -u) -eq 0 ]] || sudo=(sudo)
  # The lists there are may serve when the mirror is out of step for a moment.
  "${sudo[@]}" apt-get update || echo "apt-get update failed; installing from the lists there are" >&2
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}
