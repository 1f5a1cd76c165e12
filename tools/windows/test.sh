#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the Windows build's tests under Wine on an X server: the core tables against the test
# server, the window walks on Windows' own platform, and the program file's checks. Run
# tools/windows/build.sh first.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tools/packages.sh
install_missing_packages "${QUILLON_WINDOWS_TEST_PACKAGES[@]}"
# A prefix of the build's own; no Mono or Gecko (nothing asks for them) and no dialogs.
export WINEPREFIX=$PWD/build-windows/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# One X server for the whole run: Wine's desktop lives as long as the server it opened on, so a
# desktop left from a prefix made on a server already gone would hold the first test that opens a
# window. The prefix is made, and its start-up waited for, before the first test.
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  [[ -f $WINEPREFIX/system.reg ]] || wineboot --init
  wineserver -w
  status=0
  ctest --test-dir build-windows --output-on-failure || status=$?
  wineserver -k || true
  exit $status'
