#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the release twice, here and in a fresh clone of the same commit in a folder whose path is
# longer, a while later, under another umask, time zone and locale, and fails unless every file is
# the same to the byte.
#   tools/check-reproducible.sh [CMAKE_ARGS...]
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)
first=$(umask 022 && tools/release.sh "$@" | tail -n 1)
other=$(mktemp -d /var/tmp/quillon-reproducible-check-in-another-folder.XXXXXX)
trap 'rm -rf "$other"' EXIT
git clone -q . "$other/quillon"
git -C "$other/quillon" checkout -q "$(git rev-parse HEAD)"
sleep 2  # another second on every clock
second=$(umask 002 && TZ=Asia/Shanghai LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8 \
  "$other/quillon/tools/release.sh" "$@" | tail -n 1)
status=0
for file in "$first"/*; do
  cmp "$file" "$second/$(basename "$file")" || status=1
done
cat "$first/SHA256SUMS"
(cd "$second" && sha256sum -c --quiet SHA256SUMS) || status=1
echo "Two releases made and compared in $(($(date +%s) - started)) s"
[[ $status -eq 0 ]] && echo "OK: two builds of $(git rev-parse --short HEAD) give the same files"
exit "$status"
