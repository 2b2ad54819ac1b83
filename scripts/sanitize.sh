#!/usr/bin/env bash
# Builds the program and its tests with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan/ (Release, no benchmarks) and runs the whole test suite there. Any sanitizer report
# fails the test that triggered it, and so the script.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TBN_ASAN_BUILD_DIR:-$ROOT/build-asan}"

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTBN_SANITIZE=ON -DTBN_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD" --parallel "$(nproc)"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir "$BUILD" --output-on-failure --timeout 600 -j "$(nproc)"
