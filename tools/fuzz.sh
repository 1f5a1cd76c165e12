#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang and runs each for a while.
#   tools/fuzz.sh [SECONDS]    each target runs SECONDS (default 60)
# A target stops at the first crash or violated property, keeps the input that caused it in
# build-fuzz/ and makes this script fail. The seeds stay as they are: new inputs go to
# build-fuzz/corpus/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh
seconds=${1:-60}

install_missing_packages "${QUILLON_BUILD_PACKAGES[@]}" clang-14 libfuzzer-14-dev libclang-rt-14-dev
cmake -S . -B build-fuzz -DQUILLON_FUZZ=ON -DQUILLON_WERROR=ON -DQUILLON_BUILD_GUI=OFF -DQUILLON_BUILD_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
targets=(differential_fuzzer)
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]}"

declare -A seeds=(
  [differential_fuzzer]="tests/fuzz/corpus/extract tests/data"
)
for target in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$target
  log=build-fuzz/$target.log
  mkdir -p "$corpus"
  echo "== $target for ${seconds}s"
  status=0
  # shellcheck disable=SC2086  # the seed folders are a list
  (cd build-fuzz && "./tests/fuzz/$target" -max_total_time="$seconds" -max_len=65536 \
     -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
     "../$corpus" $(for s in ${seeds[$target]}; do echo "../$s"; done)) >"$log" 2>&1 || status=$?
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|SUMMARY|property violated|Test unit written|==[0-9]+==ERROR)' "$log" || true
  [[ $status -eq 0 ]] || { echo "FAIL: $target (see $log)"; exit 1; }
done
echo "OK: every fuzz target ran ${seconds}s without a crash or a violated property"
