#!/usr/bin/env bash
# Runs every benchmark (bench/*/run.sh, or those named on the command line) against the
# build tree and prints one table. Each run.sh gets the build folder as its argument and
# prints its results as tab-separated lines
#   ROW <benchmark> <case> <measure> <unit> <olvarin value> <peer tool> <peer value>
# the ratio (Olvarin / peer) is worked out here. Other output goes to the log.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=${OLVARIN_BUILD_DIR:-$here/../build}
build=$(cd "$build" && pwd)
log=${OLVARIN_BENCH_LOG:-$build/bench.log}
: >"$log"

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
    for d in "$here"/*/; do [ -x "$d/run.sh" ] && names+=("$(basename "$d")"); done
fi

rows=$(mktemp)
trap 'rm -f "$rows"' EXIT
for n in "${names[@]}"; do
    echo "== $n" >&2
    if ! "$here/$n/run.sh" "$build" 2>>"$log" | tee -a "$log" | grep $'^ROW\t' >>"$rows"; then
        echo "benchmark $n failed; see $log" >&2
    fi
done

awk -F'\t' '
BEGIN { printf "%-10s %-28s %-22s %14s  %-18s %14s %8s\n", "benchmark", "case", "measure", "Olvarin", "peer tool", "peer", "ratio" }
{
    unit = ($5 == "") ? "" : " " $5
    ratio = ($8 + 0 != 0) ? sprintf("%.2f", $6 / $8) : "-"
    printf "%-10s %-28s %-22s %14s  %-18s %14s %8s\n", $2, $3, $4, $6 unit, $7, $8 unit, ratio
}' "$rows"
echo "(ratio = Olvarin / peer; log: $log)"
