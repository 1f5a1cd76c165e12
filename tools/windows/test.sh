#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the Windows build's tests under Wine, set to Windows 7, on an X server: the core tables
# against the test server, the window walks on Windows' own platform, and the program file's
# checks. Run tools/windows/build.sh first.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tools/packages.sh
install_missing_packages "${QUILLON_WINDOWS_TEST_PACKAGES[@]}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko (nothing asks for them)
# Wine runs a 32-bit program only where the kernel runs 32-bit Linux programs. Where it does not,
# the tables and walks run on the same sources built as a 64-bit program, and the 32-bit
# program's file has its checks without its installer, which is a 32-bit program too.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  build=build-windows WINEARCH=win32
else
  build=build-windows-x86_64 WINEARCH=win64
  echo "This kernel runs no 32-bit program: the tests run on a 64-bit build in $build/" >&2
  QUILLON_WINDOWS_ARCH=x86_64 QUILLON_WINDOWS_BUILD=$build tools/windows/build.sh >/dev/null
  text=$(sed -n 's/^QUILLON_VERSION_TEXT:[A-Z]*=//p' build-windows/CMakeCache.txt)
  tests/check_windows_program.sh build-windows/app/Quillon.exe "" "$text" i686
fi
# A prefix of the build's own, as the oldest Windows the program is for: Qt takes its Windows 7
# paths there.
export WINEPREFIX=$PWD/$build/wine WINEARCH
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  xvfb-run -a wineboot --init
  winecfg -v win7
fi
xvfb-run -a -s "-screen 0 1024x768x24" ctest --test-dir "$build" --output-on-failure
