#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up time and memory of the program under Xvfb, printed as JSON.
#   bench/startup.sh BUILD_DIR [RUNS]
# Start-up is the time from launching quillon to its search window being mapped on the screen,
# polled with xdotool (each poll takes a few milliseconds). Memory is the resident set
# (VmRSS) when idle, and after a search for "demo" over the demo catalogue (80 rows).
set -euo pipefail
build=$1 runs=${2:-11}
# Under a display of its own: xvfb-run finds a free one and sets up its authorisation.
if [[ -z "${QUILLON_UNDER_XVFB:-}" ]]; then
  xvfb_errors=$(mktemp)
  QUILLON_UNDER_XVFB=1 QUILLON_XVFB_ERRORS=$xvfb_errors \
    exec xvfb-run -a -e "$xvfb_errors" -s "-screen 0 1024x768x24" "$0" "$@"
fi
log=$(mktemp) launched=$(mktemp)
trap 'rm -f "$log" "$launched"' EXIT
# The server may still be starting; the first launch must not be the one that finds out.
for _ in $(seq 200); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.05; done

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
rss_mb() { awk '/^VmRSS/ {printf "%.1f\n", $2 / 1024}' "/proc/$1/status"; }

launch() {  # starts quillon, waits for its window; prints "<ms> <pid> <window>"
  local start window pid
  # Now and then, in long runs, Xvfb refused the program's connection although xdotool's came
  # through just before; a launch the display refused is made again, not measured.
  for attempt in 1 2 3 4; do
    start=$(date +%s%N)
    "$build/app/quillon" >/dev/null 2>"$log" &
    pid=$!
    until window=$(xdotool search --onlyvisible --pid "$pid" --name '^Quillon$' 2>/dev/null | head -1) &&
          [[ -n "$window" ]]; do
      kill -0 "$pid" 2>/dev/null && (( $(date +%s%N) - start <= 10000000000 )) && continue
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
      grep -q "could not connect to display" "$log" && ((attempt < 4)) && sleep 0.5 && continue 2
      echo "quillon did not show its window within 10 s:" >&2
      cat "$log" "${QUILLON_XVFB_ERRORS:-/dev/null}" >&2
      exit 1
    done
    echo "$(( ($(date +%s%N) - start) / 1000000 )) $pid $window"
    return
  done
}

starts=() idles=() searched=()
for ((i = 0; i < runs; i++)); do
  launch >"$launched"  # in this shell, so that its exit ends the run and its child is ours to wait
  read -r ms pid window <"$launched"
  starts+=("$ms")
  if ((i < 3)); then
    sleep 1
    idles+=("$(rss_mb "$pid")")
    xdotool mousemove --window "$window" 200 36 click 1 type --delay 5 demo
    xdotool mousemove --window "$window" 448 36 click 1
    sleep 2
    searched+=("$(rss_mb "$pid")")
  fi
  kill "$pid"; wait "$pid" 2>/dev/null || true
done
printf '{"runs": %d, "start_ms": %s, "idle_mb": %s, "after_search_mb": %s, "start_all_ms": [%s]}\n' \
  "$runs" "$(printf '%s\n' "${starts[@]}" | median)" "$(printf '%s\n' "${idles[@]}" | median)" \
  "$(printf '%s\n' "${searched[@]}" | median)" "$(IFS=,; echo "${starts[*]}")"
