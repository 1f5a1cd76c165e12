#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows program's size, and the time from starting it under Wine to its window on the
# screen, printed as JSON. Runs inside the Wine of the Windows tests:
#   tools/windows/test.sh -- bench/windows_start.sh [RUNS]
set -euo pipefail
program=build-windows/app/Quillon.exe runs=${1:-5}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
# The first run starts Wine's server too, as the first program a user starts does; it is not
# counted.
starts=()
for ((i = 0; i <= runs; i++)); do
  start=$(date +%s%N)
  wine "$program" >/dev/null 2>&1 &
  until xdotool search --onlyvisible --name '^Quillon$' >/dev/null 2>&1; do sleep 0.02; done
  ((i == 0)) || starts+=($(( ($(date +%s%N) - start) / 1000000 )))
  kill $! && wait $! || true
  while xdotool search --name '^Quillon$' >/dev/null 2>&1; do sleep 0.02; done
done
printf '{"size_bytes": %d, "runs": %d, "start_ms": %s, "start_all_ms": [%s]}\n' \
  "$(stat -c %s "$program")" "$runs" "$(printf '%s\n' "${starts[@]}" | median)" \
  "$(IFS=,; echo "${starts[*]}")"
