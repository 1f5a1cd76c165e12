#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Quillon (Release) and starts it over the bundled demo catalogue on 127.0.0.1:8750.
# A demo catalogue that already answers there is used as it is; one started here is stopped
# again when the window closes.
set -euo pipefail
cd "$(dirname "$0")"
source tools/packages.sh

install_missing_packages "${QUILLON_BUILD_PACKAGES[@]}" "${QUILLON_RUN_PACKAGES[@]}"
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_TESTS=OFF
cmake --build build-release -j "$(nproc)" --target quillon quillon-demo-site

port=8750
answers() { (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; }

demo_pid=
if ! answers; then
  build-release/tools/demo-site/quillon-demo-site "$port" &
  demo_pid=$!
  trap 'kill "$demo_pid" 2>/dev/null || true' EXIT
  for _ in $(seq 50); do answers && break; sleep 0.1; done
fi

echo "Quillon: close the window with Alt+F4."
build-release/app/quillon "$@"
