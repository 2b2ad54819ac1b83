# Shared by run.sh, test.sh, fuzz.sh, sanitize.sh and tsan.sh: install what is missing, configure and build.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TBN_BUILD_DIR:-$ROOT/build}"

PACKAGES=(cmake ninja-build g++ qt6-base-dev libsqlite3-dev sqlite3 libpq-dev unixodbc-dev
          odbc-postgresql libsqliteodbc postgresql mariadb-server odbc-mariadb xvfb xauth xdotool
          libgtest-dev googletest fonts-dejavu-core clang libclang-rt-14-dev librsvg2-bin dpkg-dev
          lintian desktop-file-utils clang-format)
# isql, the baseline bench/odbc_fetch measures against.
PACKAGES+=(unixodbc)

install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get -o DPkg::Lock::Timeout=600 update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -q "${missing[@]}"
}

# build_in <folder> <target> [cmake options...]: configures <folder> (Release unless an option
# says otherwise) and builds <target> there ("all" for everything).
build_in() {
    local folder="$1" target="$2"
    shift 2
    cmake -S "$ROOT" -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
    cmake --build "$folder" --target "$target" --parallel "$(nproc)"
}

# build [cmake options...]: the ordinary build in $BUILD.
build() {
    build_in "$BUILD" all "$@"
}
