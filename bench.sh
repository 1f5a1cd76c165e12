#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every benchmark and writes BENCHMARKS.md and docs/worst_case.svg.
#   ./bench.sh            (about fifteen minutes)
# Builds Release in build-bench/, starts two demo catalogue servers that wait 20 ms before each
# page (one keeps connections open, one closes them), one whose result pages are as large as a
# page may be, and one plain server for the program's start-up run, runs quillon_bench, the Python
# peer and the start-up script, then the report.
set -euo pipefail
cd "$(dirname "$0")"
source tools/packages.sh
install_missing_packages "${QUILLON_BUILD_PACKAGES[@]}" "${QUILLON_RUN_PACKAGES[@]}" libbenchmark-dev python3 gnuplot-nox \
  xvfb xauth xdotool libproxy1-plugin-webkit

build=build-bench
out=$build/results
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_BENCH=ON -DQUILLON_BUILD_TESTS=OFF
cmake --build "$build" -j "$(nproc)" --target quillon_bench quillon_paint_bench quillon quillon-demo-site
mkdir -p "$out"

demo=$build/tools/demo-site/quillon-demo-site
servers=()
trap 'kill "${servers[@]}" 2>/dev/null || true' EXIT
"$demo" 8761 --delay-ms 20 >/dev/null & servers+=($!)
"$demo" 8762 --delay-ms 20 --close >/dev/null & servers+=($!)
"$demo" 8763 --large-pages >/dev/null & servers+=($!)
if ! (exec 3<>/dev/tcp/127.0.0.1/8750) 2>/dev/null; then
  "$demo" 8750 >/dev/null & servers+=($!)
fi
sleep 0.5
export no_proxy='*' NO_PROXY='*'

"$build/bench/quillon_bench" --write-pages "$out/pages"
"$build/bench/quillon_bench" --peak-search http://127.0.0.1:8763/ >"$out/peak.json"
rm -rf "$build/settings"
QUILLON_BENCH_SITE=http://127.0.0.1:8761/ QUILLON_BENCH_SITE_CLOSE=http://127.0.0.1:8762/ \
  QUILLON_BENCH_SETTINGS=$PWD/$build/settings XDG_CONFIG_HOME=$PWD/$build/settings \
  GSETTINGS_BACKEND=keyfile DESKTOP_SESSION=gnome \
  "$build/bench/quillon_bench" --benchmark_repetitions=9 --benchmark_report_aggregates_only=true \
  --benchmark_out="$out/quillon.json" --benchmark_out_format=json
QT_QPA_PLATFORM=offscreen "$build/bench/quillon_paint_bench" --benchmark_repetitions=9 \
  --benchmark_report_aggregates_only=true --benchmark_out="$out/paint.json" \
  --benchmark_out_format=json >/dev/null
echo "Python peer (the worst case runs up to 10 s a size)..."
python3 bench/peer.py "$out/pages" http://127.0.0.1:8761/ >"$out/peer.json"
echo "Start-up and memory under Xvfb..."
bench/startup.sh "$build" >"$out/startup.json"
# The Windows program's size and start under Wine, when tools/windows/build.sh has made it.
rm -f "$out/windows.json"
if [[ -f build-windows/app/Quillon.exe ]]; then
  echo "The Windows program under Wine..."
  tools/windows/test.sh -- bench/windows_start.sh 5 | tail -n 1 >"$out/windows.json"
fi
python3 bench/report.py "$out" BENCHMARKS.md docs/worst_case.svg
echo "Wrote BENCHMARKS.md and docs/worst_case.svg"
