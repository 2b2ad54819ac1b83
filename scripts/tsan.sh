#!/usr/bin/env bash
# Builds the program and its tests with ThreadSanitizer in build-tsan/ (no benchmarks) and runs the
# whole test suite there, PostgreSQL included when a server is available (see pg-server.sh). Slow
# (about ten times the plain suite), so it is not part of test.sh. Any report fails the test that
# triggered it, and so the script. Suppressions for Qt's own internals: tsan.supp.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TBN_TSAN_BUILD_DIR:-$ROOT/build-tsan}"

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTBN_BUILD_BENCH=OFF \
    -DCMAKE_C_FLAGS="-fsanitize=thread" -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
cmake --build "$BUILD" --parallel "$(nproc)"

source "$ROOT/scripts/pg-server.sh"
trap pg_server_stop EXIT
pg_server_start
export QT_QPA_PLATFORM=offscreen
export TSAN_OPTIONS="suppressions=$ROOT/scripts/tsan.supp halt_on_error=1 second_deadlock_stack=1"
# Two tests bound the wall-clock time of a plain build, which the sanitizer's slowdown exceeds.
ctest --test-dir "$BUILD" --output-on-failure --timeout 900 -j "$(nproc)" \
    -E 'AMegabyteParsesInLinearTime|ATenMegabyteLineLoadsWhole'
