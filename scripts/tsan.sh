#!/usr/bin/env bash
# Builds the program and its tests with ThreadSanitizer in build-tsan/ (no benchmarks) and runs the
# whole test suite there. Slow (about ten times the plain suite), so test.sh does not call it. Any
# report fails the test that triggered it, and so the script; tsan.supp leaves out Qt's own
# internals. Installs what is missing; starts throwaway PostgreSQL and MariaDB servers for the run
# (and stops them at the end) unless TBN_PG_HOST and TBN_MARIADB_HOST name others.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$ROOT/scripts/pg-server.sh"
source "$ROOT/scripts/mariadb-server.sh"
TSAN_BUILD="${TBN_TSAN_BUILD_DIR:-$ROOT/build-tsan}"

install_packages
build_in "$TSAN_BUILD" all -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTBN_BUILD_BENCH=OFF \
    -DCMAKE_C_FLAGS="-fsanitize=thread" -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread"

export QT_QPA_PLATFORM=offscreen
export TSAN_OPTIONS="suppressions=$ROOT/scripts/tsan.supp halt_on_error=1 second_deadlock_stack=1"
trap 'pg_server_stop; mariadb_server_stop' EXIT
pg_server_start
mariadb_server_start
# Two tests bound the wall-clock time of a plain build, which the sanitizer's slowdown exceeds.
ctest --test-dir "$TSAN_BUILD" --output-on-failure --timeout 900 -j "$(nproc)" \
    -E 'AMegabyteParsesInLinearTime|ATenMegabyteLineLoadsWhole'
