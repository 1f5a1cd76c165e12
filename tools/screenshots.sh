#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the README's screenshots: both windows over the demo catalogue, and the two message boxes
# with their Chinese button, under Xvfb.
#   tools/screenshots.sh [BUILD_DIR]       (default build-release/, which ./run.sh builds)
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh
install_missing_packages xvfb xdotool imagemagick x11-apps

build=${1:-build-release}
export DISPLAY=:77
Xvfb "$DISPLAY" -screen 0 1024x768x24 &
xvfb=$!
"$build/tools/demo-site/quillon-demo-site" 8750 >/dev/null &
demo=$!
"$build/app/quillon" &
app=$!
trap 'kill $app $demo $xvfb 2>/dev/null || true' EXIT
sleep 2

mkdir -p docs
window=$(xdotool search --sync --name '^Quillon$' | head -1)
xdotool windowactivate --sync "$window" 2>/dev/null || true
# An empty keyword: the message box asks for one.
xdotool mousemove --window "$window" 448 36 click 1
sleep 1
import -window root -crop 531x371+246+198 docs/notice_keyword.png
xdotool key Return
sleep 0.5
xdotool mousemove --window "$window" 200 36 click 1
xdotool type --delay 20 'demo'
xdotool mousemove --window "$window" 448 36 click 1
sleep 2
import -window "$window" docs/frm1.png

# A press on the first row opens the menu; its first item opens the detail window.
xdotool mousemove --window "$window" 150 86 click 3
sleep 0.5
xdotool key Return  # the first entry comes highlighted
sleep 2
detail=$(xdotool search --sync --name '^资源详情$' | head -1)
import -window "$detail" docs/frm2.png

# A press on the first link row copies it and confirms.
xdotool mousemove --window "$detail" 150 30 click 1
sleep 1
import -window root -crop 594x227+215+270 docs/notice_copied.png
xdotool key Return
