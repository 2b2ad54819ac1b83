#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$(dirname "${BASH_SOURCE[0]}")/pg-server.sh"
install_packages
build
export QT_QPA_PLATFORM=offscreen
trap pg_server_stop EXIT
pg_server_start
ctest --test-dir "$BUILD" --output-on-failure --timeout 300 -j "$(nproc)"
# The Debian package: its files, menu entry, lintian, and the packaged TBN run as an ordinary user.
"$ROOT/scripts/package-check.sh"
# Bounded fuzzing of the input readers, then the whole suite again under ASan and UBSan.
"$ROOT/scripts/fuzz.sh"
"$ROOT/scripts/sanitize.sh"
