# Sourced by demo.sh and run-tests.sh: makes sure the Debian packages that the build needs
# are present, and those given as arguments. As root, missing ones are installed; otherwise
# the script stops and names them.

bvhio_required_packages=(cmake ninja-build g++ libgtest-dev nlohmann-json3-dev)

bvhio_ensure_packages() {
    local missing=() pkg
    if ! command -v dpkg-query >/dev/null 2>&1; then
        echo "note: dpkg-query not found; assuming the build tools are installed" >&2
        return 0
    fi
    for pkg in "${bvhio_required_packages[@]}" "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    if [ "${#missing[@]}" -eq 0 ]; then
        return 0
    fi
    if [ "$(id -u)" -ne 0 ]; then
        echo "missing Debian packages: ${missing[*]} (run as root, or: sudo apt-get install ${missing[*]})" >&2
        return 1
    fi
    echo "installing missing Debian packages: ${missing[*]}" >&2
    DEBIAN_FRONTEND=noninteractive apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}
