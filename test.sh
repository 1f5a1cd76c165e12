#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds and runs every test.
#   ./test.sh              the plain build, in build/
#   ./test.sh --sanitize   with AddressSanitizer and UndefinedBehaviorSanitizer, in build-sanitize/
set -euo pipefail
cd "$(dirname "$0")"
source tools/packages.sh

build_dir=build
cmake_args=(-DQUILLON_WERROR=ON)
if [[ "${1:-}" == "--sanitize" ]]; then
  build_dir=build-sanitize
  cmake_args+=(-DQUILLON_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi

install_missing_packages "${QUILLON_BUILD_PACKAGES[@]}" "${QUILLON_RUN_PACKAGES[@]}" \
  "${QUILLON_TEST_PACKAGES[@]}"
cmake -S . -B "$build_dir" "${cmake_args[@]}"
cmake --build "$build_dir" -j "$(nproc)"
cd "$build_dir"
ctest --output-on-failure -j "$(nproc)"
