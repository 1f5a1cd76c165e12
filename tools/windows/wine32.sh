#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Wine that runs the 32-bit Windows program here, and prints the folder of its root:
# Debian 12's Wine 8 (wine32 for 32-bit programs, wine64 for its server) with a Chinese font, in a
# Debian 12 system of its own made with debootstrap, and qemu-user 10 from bookworm-backports, which
# runs its 32-bit code where the kernel runs none. A system of its own, since 32-bit packages beside
# the machine's need both architectures' versions equal, and the machine's security suite is not
# always in step with the mirror's 32-bit index; and one that only this program's tests use.
#   tools/windows/wine32.sh CACHE     (about five minutes the first time; needs root or sudo)
# The root is kept in CACHE/wine32-<key>, the key covering this recipe, and reused.
set -euo pipefail
cache=$1
mirror=http://deb.debian.org/debian
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)

make_root() {  # ROOT
  local root=$1
  "${sudo[@]}" debootstrap --variant=minbase bookworm "$root" "$mirror" >&2
  echo "deb $mirror bookworm-backports main" | "${sudo[@]}" tee "$root/etc/apt/sources.list.d/backports.list" >/dev/null
  "${sudo[@]}" mount --bind /proc "$root/proc"
  local status=0
  {
    "${sudo[@]}" chroot "$root" dpkg --add-architecture i386 &&
      "${sudo[@]}" chroot "$root" apt-get -q update &&
      "${sudo[@]}" chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
        --no-install-recommends wine wine32:i386 wine64 fonts-noto-cjk qemu-user/bookworm-backports &&
      "${sudo[@]}" chroot "$root" apt-get clean
  } >&2 || status=$?
  "${sudo[@]}" umount "$root/proc"
  return $status
}

key=$({ declare -f make_root; echo "$mirror"; } | sha256sum | cut -c1-16)
root=$cache/wine32-$key
if [[ ! -f $root/.done ]]; then
  echo "== the Wine for 32-bit programs, into $root ($(date +%T))" >&2
  "${sudo[@]}" rm -rf "$root" "$root.new"
  mkdir -p "$cache"
  make_root "$root.new"
  "${sudo[@]}" touch "$root.new/.done"
  "${sudo[@]}" mv "$root.new" "$root"
fi
echo "$root"
