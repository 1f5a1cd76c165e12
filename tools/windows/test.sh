#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the Windows build's tests under 32-bit Wine set to Windows 7, on an X server: the core
# tables against the test server, the window walks on Windows' own platform, and the program
# file's checks. Run tools/windows/build.sh first.
#   tools/windows/test.sh [CTEST_ARGS...]    e.g. -R Pointer
#   tools/windows/test.sh -- COMMAND...       runs COMMAND there instead, with wine on its PATH
# Wine is Debian 12's, in a system of its own (tools/windows/wine32.sh); each wine command runs
# there, in the same folders as here. Where the kernel runs no 32-bit code, qemu-user runs Wine's,
# registered for 32-bit programs in a user namespace of this run only: the machine's own
# registrations stay as they are.
set -euo pipefail
cd "$(dirname "$0")/../.."
if [[ ${1:-} != --inside ]]; then
  source tools/packages.sh
  install_missing_packages "${QUILLON_WINDOWS_TEST_PACKAGES[@]}"
  ROOT=$(tools/windows/wine32.sh "${XDG_CACHE_HOME:-$HOME/.cache}/quillon-windows")
  # A prefix of the build's own, 32-bit, as the oldest Windows the program is for; no Mono or
  # Gecko (nothing asks for them) and no dialogs. qemu plays a processor without AVX2: with its
  # default model, Qt's drawing code died of an illegal instruction at the first message box.
  export ROOT WINEPREFIX=$PWD/build-windows/wine WINEARCH=win32 WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml=" QEMU_CPU=Westmere
  exec unshare -Urm "$0" --inside "$@"
fi
shift

# In a user and mount namespace of this run's own: the Wine root sees the machine's processes,
# devices, X servers and this folder where they are here.
for folder in /proc /dev; do mount --rbind "$folder" "$ROOT$folder"; done
mount --bind /tmp "$ROOT/tmp"
mkdir -p "$ROOT$PWD" && mount --bind "$PWD" "$ROOT$PWD"
if ! chroot "$ROOT" /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "This kernel runs no 32-bit code: Wine's runs through qemu-user" >&2
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  echo ":qemu-i386:M::$magic:$mask:$ROOT/usr/bin/qemu-i386:F" >/proc/sys/fs/binfmt_misc/register
fi
# wine and wineserver as the tests call them: the Wine root's own, in the folder they are called
# from.
bin=$(mktemp -d)
for tool in wine wineserver; do
  cat >"$bin/$tool" <<EOF
#!/bin/sh
exec chroot "\$ROOT" /bin/sh -c 'cd "\$0" && exec "\$@"' "\$PWD" /usr/bin/$tool "\$@"
EOF
  chmod +x "$bin/$tool"
done
export PATH=$bin:$PATH
# One X server for the whole run: Wine's desktop lives as long as the server it opened on, so a
# desktop left from a prefix made on a server already gone would hold the first test that opens a
# window. The prefix is made, and its start-up waited for, before the first test.
[[ ${1:-} == -- ]] && shift || set -- ctest --test-dir build-windows --output-on-failure "$@"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  if [[ ! -f $WINEPREFIX/system.reg ]]; then wine wineboot --init && wine winecfg -v win7; fi
  wineserver -w
  status=0
  "$@" || status=$?
  wineserver -k || true
  exit $status' bash "$@"
