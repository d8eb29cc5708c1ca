#!/usr/bin/env bash
# Builds everything and runs every test, then builds the core tests once more under
# AddressSanitizer and UndefinedBehaviorSanitizer and runs them again.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)

cmake -S . -B build >/dev/null
cmake --build build -j"$jobs"
bash scripts/fonts.sh build/src
(cd build && ctest --output-on-failure -j"$jobs" --timeout 300)

cmake -S . -B build-asan -DQV_BUILD_UI=OFF -DQV_BUILD_BENCH=OFF \
  -DQV_SANITIZE=address,undefined -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ctest --output-on-failure -j"$jobs" --timeout 300)

# The tests that drive links, channels, device workers and the input reader from several
# threads, once more under ThreadSanitizer.
cmake -S . -B build-tsan -DQV_BUILD_UI=OFF -DQV_BUILD_BENCH=OFF \
  -DQV_SANITIZE=thread -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-tsan -j"$jobs" --target qv_test_transport qv_test_devices qv_test_platform
(cd build-tsan && ctest --output-on-failure -j"$jobs" --timeout 300 \
  -R 'CommandConcurrency|ChannelTest|DeviceScanner|DeviceThreads|WorkerThread|Evdev|DeviceHook')
