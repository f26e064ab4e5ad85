#!/usr/bin/env bash
# One entry point for a fresh Debian 12 machine and for every day after:
#   scripts/dev.sh run    install what is missing, build, open the browser on a demo agent
#   scripts/dev.sh test   install what is missing, build, run every test
#   scripts/dev.sh build  install what is missing and build
# Each step is skipped when there is nothing to do, so a second run is quick.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${OLVARIN_BUILD_DIR:-$here/build}
jobs=${OLVARIN_JOBS:-$(nproc)}

packages=(g++ cmake ninja-build pkg-config qt6-base-dev tcl8.6 tcl8.6-dev libsnmp-dev libsnmp-base
          snmpd snmp googletest libgtest-dev clang libclang-rt-dev util-linux npm)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
    done
    # npm may come with a Node.js that is not Debian's; then the Debian package is not needed.
    if command -v npm >/dev/null 2>&1; then
        local kept=()
        for p in "${missing[@]}"; do [ "$p" = npm ] || kept+=("$p"); done
        missing=("${kept[@]}")
    fi
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

configure_and_build() {
    local werror=OFF
    [ "${CI:-}" = true ] && werror=ON
    if [ ! -f "$build/CMakeCache.txt" ]; then
        cmake -S "$here" -B "$build" -G Ninja -DOLVARIN_WERROR=$werror
    fi
    cmake --build "$build" -j "$jobs"
}

cmd=${1:-}
case "$cmd" in
    build)
        install_missing
        configure_and_build
        ;;
    run)
        install_missing
        configure_and_build
        exec "$here/scripts/run-browser.sh" "$build"
        ;;
    test)
        install_missing
        configure_and_build
        cd "$build"
        ctest --output-on-failure -j 1
        ;;
    *)
        echo "usage: $0 run|test|build" >&2
        exit 2
        ;;
esac
