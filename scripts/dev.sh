#!/usr/bin/env bash
# One entry point for a fresh Debian 12 machine and for every day after:
#   scripts/dev.sh run    install what is missing, build, open the browser on a demo agent
#   scripts/dev.sh test   install what is missing, build, run every test
#   scripts/dev.sh build  install what is missing and build
#   scripts/dev.sh bench  install what is missing, build, run the benchmarks and print their table
#   scripts/dev.sh fuzz   build the slave link's fuzz target with clang and run it for a while
# Each step is skipped when there is nothing to do, so a second run is quick.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${OLVARIN_BUILD_DIR:-$here/build}
jobs=${OLVARIN_JOBS:-$(nproc)}

packages=(g++ cmake ninja-build pkg-config qt6-base-dev tcl8.6 tcl8.6-dev libsnmp-dev libsnmp-base
          snmpd snmp googletest libgtest-dev clang libclang-rt-dev util-linux npm time)

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
    bench)
        install_missing
        configure_and_build
        shift
        OLVARIN_BUILD_DIR=$build exec "$here/bench/run-all.sh" "$@"
        ;;
    fuzz)
        # A build tree of its own: the fuzz target needs clang and its sanitizers.
        install_missing
        fuzzbuild=${OLVARIN_FUZZ_BUILD_DIR:-$here/build-fuzz}
        if [ ! -f "$fuzzbuild/CMakeCache.txt" ]; then
            CC=clang CXX=clang++ cmake -S "$here" -B "$fuzzbuild" -G Ninja -DOLVARIN_FUZZ=ON
        fi
        cmake --build "$fuzzbuild" -j "$jobs" --target fuzz_replylink
        mkdir -p "$fuzzbuild/corpus"
        "$fuzzbuild/bin/fuzz_replylink" -max_total_time="${OLVARIN_FUZZ_SECONDS:-60}" -timeout=10 \
            "$fuzzbuild/corpus"
        ;;
    *)
        echo "usage: $0 run|test|build|bench|fuzz" >&2
        exit 2
        ;;
esac
