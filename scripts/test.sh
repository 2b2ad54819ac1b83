#!/usr/bin/env bash
# The whole test command. It installs what is missing, then builds three times and tests each build:
#  1. build/       Release program and tests: the layering check (scripts/check-layers.sh) and the
#                  whole suite, against a throwaway PostgreSQL server unless TBN_PG_HOST names one;
#  2. build-fuzz/  the libFuzzer targets (clang): each input reader fuzzed for a bounded time
#                  (scripts/fuzz.sh, TBN_FUZZ_SECONDS per target, 10 by default);
#  3. build-asan/  program and tests under AddressSanitizer and UBSan: the whole suite again
#                  (scripts/sanitize.sh).
# The first failure stops it with a non-zero exit.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$ROOT/scripts/pg-server.sh"
install_packages
"$ROOT/scripts/check-layers.sh"
build
export QT_QPA_PLATFORM=offscreen
trap pg_server_stop EXIT
pg_server_start
ctest --test-dir "$BUILD" --output-on-failure --timeout 300 -j "$(nproc)"
"$ROOT/scripts/fuzz.sh"
# The server started above is still running and named in TBN_PG_*, so the sanitizer run uses it.
"$ROOT/scripts/sanitize.sh"
