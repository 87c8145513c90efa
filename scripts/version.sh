# The program's version, read from the one place that states it: project() in
# the top CMakeLists.txt. Sourced by the scripts that name what they build:
#   source scripts/version.sh; version="$(trelomar_version)"
trelomar_version() {
    local top version
    top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/CMakeLists.txt"
    version="$(sed -n 's/^project(Trelomar VERSION \([0-9.]*\).*/\1/p' "$top")"
    if [ -z "$version" ]; then
        echo "version.sh: no project(Trelomar VERSION ...) in $top" >&2
        return 1
    fi
    echo "$version"
}
