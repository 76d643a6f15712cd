#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds everything and runs every test:
#   1. the whole suite (gcc);
#   2. the driver and emulator suites again with clang under AddressSanitizer,
#      LeakSanitizer and UndefinedBehaviorSanitizer, in the same build as the
#      libFuzzer targets, which then run for a bounded time each;
#   3. the driver suite under valgrind memcheck;
#   4. the Windows driver, cross-built with mingw-w64, under Wine;
#   5. the Debian packages from the first build: lintian, installed, used
#      from outside the tree, removed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
started=$(date +%s)
stamp() { echo "== $1 ($(($(date +%s) - started)) s)"; }

KAS_EXTRA_PACKAGES="clang libclang-rt-14-dev valgrind lintian file" scripts/install-deps.sh

stamp "build"
KAS_BUILD_DIR=build scripts/build.sh -DCMAKE_INSTALL_PREFIX=/usr
stamp "tests"
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 300)

stamp "console pictures (user guide)"
pictures=$(mktemp -d)
scripts/console-pictures.sh build/bin "$pictures"
for picture in docs/images/page-*.png docs/images/window-*.png; do
  [ -s "$pictures/$(basename "$picture")" ] || { echo "not made: $picture" >&2; exit 1; }
done
rm -rf "$pictures"

stamp "sanitizer build (clang: driver, emulator, fuzz targets)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DKAS_FUZZ=ON -DKAS_BUILD_CONSOLE=OFF \
  -DKAS_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)"
stamp "sanitizer tests"
(cd build-fuzz && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j2 --timeout 300)
stamp "fuzzing"
KAS_FUZZ_BUILD_DIR="$root/build-fuzz" scripts/fuzz.sh "${KAS_FUZZ_SECONDS:-20}"

stamp "driver suite under valgrind"
valgrind --quiet --leak-check=full --errors-for-leak-kinds=definite,indirect,possible \
  --error-exitcode=3 build/tests/driver/kasdrv_unit_tests --gtest_brief=1

stamp "Windows driver under Wine"
scripts/test-windows.sh
stamp "Debian packages"
KAS_BUILD_DIR=build scripts/test-packages.sh
stamp "all tests passed"
