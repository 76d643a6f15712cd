#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds everything and runs every test:
# the whole suite, then the driver and emulator suites again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh

echo "== build"
KAS_BUILD_DIR=build scripts/build.sh
echo "== tests"
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 300)

echo "== sanitizer build (driver and emulator)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKAS_SANITIZE=ON \
  -DKAS_BUILD_CONSOLE=OFF -DKAS_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j"$(nproc)"
echo "== sanitizer tests"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j2 --timeout 300)
echo "== Windows driver under Wine"
scripts/test-windows.sh
echo "== all tests passed"
