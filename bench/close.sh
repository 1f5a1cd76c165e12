#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# How soon a close request takes effect while Quillon waits on a server that holds its answer for
# a minute: the real binary under Xvfb, with a window manager (openbox) that turns Alt+F4 into the
# close request a title bar's button or a task bar sends. Prints one JSON line.
#   bench/close.sh BUILD_DIR [RUNS]
# Paths: "search" (the result pages are held; closing the search window ends the program),
# "detail" (the entry page is held while the detail window loads; likewise) and "copy" (a link
# page is held; closing the detail window abandons the copy and the program goes on). Each time is
# from the key press to the program's end, or to the detail window's going.
set -euo pipefail
build=$1 runs=${2:-5}
if [[ -z "${QUILLON_UNDER_XVFB:-}" ]]; then
  source "$(dirname "$0")/../tools/packages.sh"
  install_missing_packages xvfb xauth xdotool openbox wmctrl
  QUILLON_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
openbox >/dev/null 2>&1 &
wm=$!
server= quillon=
trap 'kill $wm $server $quillon 2>/dev/null || true' EXIT
until wmctrl -m >/dev/null 2>&1; do sleep 0.05; done

now_ms() { echo $(($(date +%s%N) / 1000000)); }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
# The program's visible windows but `$1`, if given (xdotool's title search does not take Chinese).
visible() { xdotool search --onlyvisible --pid "$quillon" 2>/dev/null | grep -vx "${1:-none}" | head -1; }
wait_for() {  # the first visible window but `$1`; prints its id
  local window=
  for _ in $(seq 200); do window=$(visible "${1:-}") && [[ -n $window ]] && break; sleep 0.05; done
  [[ -n $window ]] || { echo "no window" >&2; exit 1; }
  echo "$window"
}

measure() {  # path; prints the milliseconds from the close request to its effect
  local path=$1 held
  case $path in search) held=/search/ ;; detail) held=/entry/ ;; copy) held=/link/ ;; esac
  "$build/tools/demo-site/quillon-demo-site" 8750 --delay-ms 60000 --delay-path "$held" >/dev/null &
  server=$!
  sleep 0.3
  "$build/app/quillon" >/dev/null 2>&1 &
  quillon=$!
  local search detail
  search=$(wait_for)
  xdotool windowactivate --sync "$search" mousemove --window "$search" 200 36 click 1 type demo
  xdotool mousemove --window "$search" 448 36 click 1
  if [[ $path != search ]]; then
    sleep 1.5  # the rows are there
    xdotool mousemove --window "$search" 150 86 click 3 sleep 0.3 mousemove_relative 20 10 click 1
  fi
  if [[ $path == copy ]]; then
    detail=$(wait_for "$search")
    xdotool mousemove --window "$detail" 150 30 click 1
  fi
  sleep 1  # waiting on the held page
  local start
  start=$(now_ms)
  xdotool key alt+F4
  if [[ $path == copy ]]; then
    while [[ -n $(visible "$search") ]]; do sleep 0.01; done
    kill -0 "$quillon"  # the program goes on
  else
    while kill -0 "$quillon" 2>/dev/null; do sleep 0.01; done
  fi
  echo $(($(now_ms) - start))
  kill -9 "$quillon" "$server" 2>/dev/null || true
  wait "$quillon" "$server" 2>/dev/null || true
}

json=
for path in search detail copy; do
  times=()
  for ((i = 0; i < runs; i++)); do times+=("$(measure "$path")"); done
  json+="${json:+, }\"$path\": {\"median_ms\": $(printf '%s\n' "${times[@]}" | median), \"all_ms\": [$(IFS=,; echo "${times[*]}")]}"
done
echo "{$json}"
