#!/usr/bin/env bash
# Builds the Debian package from the build tree and checks it the way a user meets it: the files it
# installs, its menu entry, lintian's verdict (errors fail, warnings are listed), and the packaged
# TBN, unpacked into a temporary root and run as an unprivileged user on the offscreen platform:
# adding a connection writes the store to the user's own folder and nothing beside the program, a
# database named on the command line opens its query window, a missing one is refused and the
# connection manager opens, and --help and --version need no display.
# test.sh runs it after the build; alone: bash scripts/package-check.sh (after a build).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

DRIVER_LIB="$BUILD/tests/libtbn_package_driver.so"
for needed in "$BUILD/CPackConfig.cmake" "$DRIVER_LIB"; do
    [ -e "$needed" ] || { echo "package check: $needed is missing; build first" >&2; exit 1; }
done

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
chmod 755 "$WORK"
fail() { echo "package check: FAILED: $*" >&2; exit 1; }
say() { echo "package check: $*"; }

# The package, and what it holds: the program and its desktop files, nothing of the tests,
# benchmarks or build tree.
(cd "$BUILD" && cpack -G DEB -B "$WORK/out") > "$WORK/cpack.log" 2>&1 || { cat "$WORK/cpack.log"; fail "cpack"; }
DEB="$(ls "$WORK"/out/*.deb)"
say "built $(basename "$DEB")"
say "Depends: $(dpkg-deb -f "$DEB" Depends)"
{
    echo "-rwxr-xr-x /usr/bin/TBN"
    echo "-rw-r--r-- /usr/share/applications/tabulon.desktop"
    for doc in README.md changelog.gz copyright; do echo "-rw-r--r-- /usr/share/doc/tabulon/$doc"; done
    for size in 16 24 32 48 64 128 256; do echo "-rw-r--r-- /usr/share/icons/hicolor/${size}x${size}/apps/tabulon.png"; done
    echo "-rw-r--r-- /usr/share/icons/hicolor/scalable/apps/tabulon.svg"
    echo "-rw-r--r-- /usr/share/man/man1/TBN.1.gz"
} | sort > "$WORK/expected"
dpkg-deb -c "$DEB" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $1, $6 }' | sort > "$WORK/files"
diff -u "$WORK/expected" "$WORK/files" || fail "the package's files differ from the list above"

dpkg-deb -x "$DEB" "$WORK/root"
desktop-file-validate "$WORK/root/usr/share/applications/tabulon.desktop" || fail "desktop-file-validate"
say "desktop entry valid"

lintian --tag-display-limit 0 "$DEB" > "$WORK/lintian.log" 2>&1 || true
if grep -q '^E:' "$WORK/lintian.log"; then cat "$WORK/lintian.log"; fail "lintian reports errors"; fi
grep -q '^[EW]:' "$WORK/lintian.log" && sed -n 's/^W: /package check: lintian warning: /p' "$WORK/lintian.log"
say "lintian: no errors, $(grep -c '^W:' "$WORK/lintian.log" || true) warning(s)"

# The unpacked program runs as an unprivileged user who may not write beside it: nobody when
# this runs as root, otherwise the caller, with the tree made read-only.
chmod -R a-w "$WORK/root"
AS_USER=()
OWNER="$(id -un)"
if [ "$(id -u)" -eq 0 ]; then AS_USER=(runuser -u nobody --); OWNER=nobody; fi
HOME_DIR="$WORK/home"
install -d -m 700 -o "$OWNER" "$HOME_DIR" "$HOME_DIR/runtime" "$WORK/data"
cp "$DRIVER_LIB" "$WORK/driver.so"
chmod 644 "$WORK/driver.so"
TBN="$WORK/root/usr/bin/TBN"
CONFIG="$HOME_DIR/config"

# A clean environment, with no display unless the caller adds the offscreen platform.
run_tbn() {
    timeout -k 5 60 "${AS_USER[@]}" env -i PATH=/usr/bin:/bin LANG=C.UTF-8 HOME="$HOME_DIR" \
        XDG_CONFIG_HOME="$CONFIG" XDG_CACHE_HOME="$HOME_DIR/cache" XDG_RUNTIME_DIR="$HOME_DIR/runtime" "$@"
}
drive() {
    local scenario="$1"; shift
    local status=0
    run_tbn QT_QPA_PLATFORM=offscreen LD_PRELOAD="$WORK/driver.so" TBN_PACKAGE_DRIVER="$scenario" "$@" \
        > "$WORK/$scenario.log" 2>&1 || status=$?
    sed 's/^/    /' "$WORK/$scenario.log"
    [ $status -eq 0 ] || fail "scenario $scenario: TBN ended with status $status"
}

run_tbn "$TBN" --help > "$WORK/help.txt" 2>&1 || fail "--help without a display: status $?"
grep -q '^Usage: TBN' "$WORK/help.txt" || fail "--help printed: $(cat "$WORK/help.txt")"
run_tbn "$TBN" --version > "$WORK/version.txt" 2>&1 || fail "--version without a display: status $?"
grep -q '^TBN (Tabulon) [0-9]' "$WORK/version.txt" || fail "--version printed: $(cat "$WORK/version.txt")"
say "--help and --version work without a display"

SHOP="$WORK/data/shop.db"
sqlite3 "$SHOP" "CREATE TABLE books(id INTEGER PRIMARY KEY, title TEXT); INSERT INTO books(title) VALUES('Dune');"
chown "$OWNER" "$SHOP"

drive add TBN_DRIVER_NAME=Shop TBN_DRIVER_CNN="Provider=SQLite;Data Source=$SHOP" "$TBN"
STORE="$CONFIG/tbn/cnns.dat"
[ -f "$STORE" ] || fail "no store at $STORE"
[ "$(stat -c %a "$CONFIG/tbn")" = 700 ] || fail "$CONFIG/tbn has mode $(stat -c %a "$CONFIG/tbn"), not 700"
[ "$(stat -c %a "$STORE")" = 600 ] || fail "$STORE has mode $(stat -c %a "$STORE"), not 600"
[ "$(stat -c %U "$STORE")" = "$OWNER" ] || fail "$STORE belongs to $(stat -c %U "$STORE"), not $OWNER"
grep -qF "$(printf 'Shop\tProvider=SQLite;Data Source=%s\r' "$SHOP")" "$STORE" || fail "the store holds: $(cat -A "$STORE")"
[ "$(ls -A "$WORK/root/usr/bin")" = TBN ] || fail "beside the program: $(ls -A "$WORK/root/usr/bin")"
[ -f "$CONFIG/tbn/frame.ini" ] || fail "the frame's place was not kept in $CONFIG/tbn"
say "the store went to $STORE (0600, folder 0700), nothing beside the program"

drive window TBN_DRIVER_CAPTION="$SHOP" TBN_DRIVER_TABLE=books "$TBN" "$SHOP"
say "TBN $SHOP opened its query window"

drive refused TBN_DRIVER_CNN="$WORK/data/missing.db" "$TBN" "$WORK/data/missing.db"
[ -e "$WORK/data/missing.db" ] && fail "opening a missing database created it"
say "TBN on a missing database reported it and opened the manager"
say "passed"
