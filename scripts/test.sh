#!/usr/bin/env bash
# The whole test command. It installs what is missing, then builds three times and tests each build:
#  1. build/       Release program and tests: the layering check (scripts/check-layers.sh) and the
#                  whole suite, against throwaway PostgreSQL and MariaDB servers unless TBN_PG_HOST
#                  and TBN_MARIADB_HOST name others;
#                  then the Debian package built from it, checked and run (scripts/package-check.sh);
#  2. build-fuzz/  the libFuzzer targets (clang): each input reader fuzzed for a bounded time
#                  (scripts/fuzz.sh, TBN_FUZZ_SECONDS per target, 10 by default);
#  3. build-asan/  program and tests under AddressSanitizer and UBSan: the whole suite again
#                  (scripts/sanitize.sh).
# Before building, the layout check (scripts/check-format.sh) and the layering check. The first failure
# stops it with a non-zero exit.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$ROOT/scripts/pg-server.sh"
source "$ROOT/scripts/mariadb-server.sh"
install_packages
"$ROOT/scripts/check-format.sh"
"$ROOT/scripts/check-layers.sh"
build
export QT_QPA_PLATFORM=offscreen
trap 'pg_server_stop; mariadb_server_stop' EXIT
pg_server_start
mariadb_server_start
ctest --test-dir "$BUILD" --output-on-failure --timeout 300 -j "$(nproc)"
# The Debian package: its files, menu entry, lintian, and the packaged TBN run as an ordinary user.
"$ROOT/scripts/package-check.sh"
# Bounded fuzzing of the input readers, then the whole suite again under ASan and UBSan.
"$ROOT/scripts/fuzz.sh"
# The servers started above are still running and named in TBN_PG_* and TBN_MARIADB_*, so the
# sanitizer run uses them.
"$ROOT/scripts/sanitize.sh"
