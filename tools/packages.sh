# The Debian packages Quillon needs, and a helper that installs only those that are missing.
# Sourced by test.sh, run.sh and bench.sh.

QUILLON_BUILD_PACKAGES=(
  cmake make g++ pkg-config
  qt6-base-dev libcurl4-openssl-dev libre2-dev libpcre2-dev libicu-dev libcpp-httplib-dev
  fonts-noto-cjk
)
QUILLON_TEST_PACKAGES=(
  libgtest-dev libgmock-dev icoutils librsvg2-bin
  desktop-file-utils appstream binutils-mingw-w64-x86-64 dpkg-dev file
  xvfb xauth xdotool qt6-qpa-plugins qt6-translations-l10n
)

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
  "${sudo[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}
