#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes Quillon's bitmaps from their one source, app/icons/quillon.svg: the PNGs at 48, 32 and 16
# pixels (rsvg-convert), and app/quillon.ico with each size at 24 and at 32 bits per pixel
# (icotool; the 24-bit images keep a 1-bit mask). Run it after changing the SVG.
#   tools/make_icon.sh [OUT_DIR]     (default: app/, where the build takes them from)
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh
install_missing_packages librsvg2-bin icoutils
out=${1:-app}
mkdir -p "$out/icons"
images=()
for size in 48 32 16; do
  rsvg-convert -w "$size" -h "$size" app/icons/quillon.svg -o "$out/icons/quillon-$size.png"
  images+=(-b 24 "$out/icons/quillon-$size.png" -b 32 "$out/icons/quillon-$size.png")
done
# icotool says, rightly, that 24 bits keep only a mask of the partial transparency.
icotool -c -o "$out/quillon.ico" "${images[@]}" 2>/dev/null
