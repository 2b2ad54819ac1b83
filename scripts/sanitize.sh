#!/usr/bin/env bash
# Builds the program and its tests with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan/ (Release, no benchmarks) and runs the whole test suite there. Any sanitizer report
# fails the test that triggered it, and so the script. Installs what is missing; starts throwaway
# PostgreSQL and MariaDB servers for the run (and stops them at the end) unless TBN_PG_HOST and
# TBN_MARIADB_HOST name others.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$ROOT/scripts/pg-server.sh"
source "$ROOT/scripts/mariadb-server.sh"
ASAN_BUILD="${TBN_ASAN_BUILD_DIR:-$ROOT/build-asan}"

install_packages
build_in "$ASAN_BUILD" all -DTBN_SANITIZE=ON -DTBN_BUILD_BENCH=OFF

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Leaks inside third-party drivers that the program cannot mend (see the file).
export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0"
trap 'pg_server_stop; mariadb_server_stop' EXIT
pg_server_start
mariadb_server_start
ctest --test-dir "$ASAN_BUILD" --output-on-failure --timeout 600 -j "$(nproc)"
