#!/usr/bin/env bash
# Installs what is missing, builds, and starts TBN on the bundled sample database.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_packages
build -DTBN_BUILD_BENCH=OFF
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "TBN needs a display: none is set (DISPLAY is empty). Start it under a virtual one with: xvfb-run -a -s '-screen 0 1280x800x24' $BUILD/TBN" >&2
    exit 1
fi
exec "$BUILD/TBN"
