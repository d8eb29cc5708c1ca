#!/usr/bin/env bash
# Builds the program and starts it. Set QV5307_SIMULATE=1 to attach simulated devices.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DQV_BUILD_TESTS=OFF -DQV_BUILD_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)" --target qv5307
bash scripts/fonts.sh build/src
exec build/src/qv5307 "$@"
