#!/usr/bin/env bash
# run.sh BUILD_DIR: a walk without end (repetitions 0) over a few thousand instances
# for OLVARIN_SOAK_SECONDS (300 unless set), watching the list's size and the memory
# of the browser and of its slave. Prints ROW lines for bench/run-all.sh; the
# driver's progress goes to stderr.
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=${OLVARIN_SOAK_SECONDS:-300}
driver=$build/bin/soak_walk
if [ ! -x "$driver" ]; then
    echo "$driver is not built; run: scripts/dev.sh build" >&2
    exit 1
fi
QT_QPA_PLATFORM=offscreen PATH="$build/bin:$PATH" "$driver" "$seconds"
