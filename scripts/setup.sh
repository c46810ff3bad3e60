# Shared by run.sh and test.sh: install what is missing, configure, build.
# Sourced, not run; expects ROOT to be set.

KORVANE_PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev libgtest-dev
    libbenchmark-dev nettle-dev libcanberra-dev fp-utils binutils-mingw-w64-x86-64
    binutils-mingw-w64-i686 fonts-liberation2 fonts-dejavu-core
    file lintian desktop-file-utils appstream weston qt6-wayland libglib2.0-dev)
BUILD_DIR="${KORVANE_BUILD_DIR:-$ROOT/build}"

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
}

# apt-get refuses to run while another install holds its lock: wait for it.
wait_for_apt_lock() {
    local waited=0
    # Without fuser, apt-get's own lock timeout below does the waiting.
    command -v fuser >/dev/null 2>&1 || return 0
    while fuser /var/lib/dpkg/lock-frontend /var/lib/dpkg/lock /var/lib/apt/lists/lock >/dev/null 2>&1; do
        if [ "$waited" -eq 0 ]; then
            echo "Waiting for another package installation to finish..."
        fi
        sleep 3
        waited=$((waited + 3))
        if [ "$waited" -ge 900 ]; then
            echo "The package manager stayed locked for 15 minutes; giving up." >&2
            exit 1
        fi
    done
}

install_missing_packages() {
    local missing=()
    local pkg
    for pkg in "${KORVANE_PACKAGES[@]}" "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    if [ "${#missing[@]}" -eq 0 ]; then
        return
    fi
    echo "Installing: ${missing[*]}"
    wait_for_apt_lock
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -o DPkg::Lock::Timeout=600
    wait_for_apt_lock
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
        -o DPkg::Lock::Timeout=600 "${missing[@]}"
}

# configure_and_build [target...]: the whole tree, or these targets.
configure_and_build() {
    local launcher=()
    # A compiler cache, where one is installed, makes rebuilds of other checkouts cheap.
    if command -v ccache >/dev/null 2>&1; then
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja "${launcher[@]}"
    if [ "$#" -gt 0 ]; then
        cmake --build "$BUILD_DIR" -j "$(nproc)" --target "$@"
    else
        cmake --build "$BUILD_DIR" -j "$(nproc)"
    fi
}
