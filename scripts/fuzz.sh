#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UBSan on) and
# runs each of them for a bounded time over the committed seed corpus: the
# driver's answers, its link, the emulator, and kasd's request decoding.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET]      default 30
#
# KAS_FUZZ_RUNS=N runs N executions per target instead of a time bound;
# KAS_FUZZ_TARGETS="fuzz_link ..." runs only those. New inputs the fuzzer
# finds go to a work corpus in the build directory, not to fuzz/corpus; an
# input that breaks a target is kept in build-fuzz/fuzz-artifacts/ and the
# script fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-30}
build=${KAS_FUZZ_BUILD_DIR:-$root/build-fuzz}
targets=(${KAS_FUZZ_TARGETS:-fuzz_answer fuzz_link fuzz_emulator fuzz_kasd_request})

# clang 14 and its runtime libraries (libFuzzer among them), when missing.
KAS_EXTRA_PACKAGES="clang libclang-rt-14-dev" scripts/install-deps.sh

echo "== fuzz build"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKAS_FUZZ=ON -DKAS_BUILD_CONSOLE=OFF -DKAS_BUILD_BENCH=OFF >/dev/null
# kasd's target exists only where the service is built (cpp-httplib and SQLite).
if [ -z "${KAS_FUZZ_TARGETS:-}" ] &&
  ! cmake --build "$build" --target help | grep '^fuzz_kasd_request:' >/dev/null; then
  echo "== fuzz_kasd_request left out: kasd is not built here"
  targets=(fuzz_answer fuzz_link fuzz_emulator)
fi
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

artifacts=$build/fuzz-artifacts
mkdir -p "$artifacts"
limit=(-max_total_time="$seconds")
[ -n "${KAS_FUZZ_RUNS:-}" ] && limit=(-runs="$KAS_FUZZ_RUNS")
for t in "${targets[@]}"; do
  seeds=$root/fuzz/corpus/${t#fuzz_}
  work=$build/fuzz-corpus/${t#fuzz_}
  mkdir -p "$work"
  echo "== $t (${limit[*]})"
  log=$build/$t.log
  if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$build/fuzz/$t" "${limit[@]}" -print_final_stats=1 -rss_limit_mb=2048 -timeout=20 \
    -artifact_prefix="$artifacts/$t-" "$work" "$seeds" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "== $t failed; the input is in $artifacts"
    exit 1
  fi
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" | sed 's/^/   /'
  grep -E '^(#[0-9]+\s+DONE|Done [0-9]+ runs)' "$log" | tail -n 1 | sed 's/^/   /' || true
done
echo "== fuzzing passed"
