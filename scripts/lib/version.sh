# shellcheck shell=bash
# The version, read from its one place: the project() line of the top CMakeLists.txt. Sourced, not
# run.
quorvel_top="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# The program's four-part version, e.g. 1.0.0.0.
quorvel_version() {
    sed -n 's/^project(Quorvel VERSION \([0-9.]*\).*/\1/p' "$quorvel_top/CMakeLists.txt"
}

# The package's version, the first three parts (as packaging/CMakeLists.txt gives it to CPack).
quorvel_package_version() {
    local major minor patch
    IFS=. read -r major minor patch _ <<<"$(quorvel_version)"
    echo "$major.$minor.$patch"
}

# The package scripts/package writes for this machine.
quorvel_default_package() {
    echo "$quorvel_top/build-package/quorvel_$(quorvel_package_version)_$(dpkg --print-architecture).deb"
}
