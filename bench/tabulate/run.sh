#!/usr/bin/env bash
# bench/tabulate/run.sh BUILD
#
# Rows per second of a pass of the tabulate window (one Get Next of all columns per
# row, through the real slave) over OLVARIN-BENCH-MIB::benchTable (1200 rows of 6
# columns) against snmptable -CB (Get Next only) on the same table, in the same run.
# Two passes: the first grows the grid row by row, the second (Refresh) overwrites
# it. The browser's rate counts the pass only; snmptable's its whole process.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(cd "${1:?usage: run.sh BUILD}" && pwd)
# shellcheck source=../agent/agent.sh
source "$here/../agent/agent.sh"
tmp=$(mktemp -d)
trap 'bench_agent_stop; rm -rf "$tmp"' EXIT
bench_agent_start 1200
bench_browser_env
bench_tool_env "$build"

table=1.3.6.1.4.1.424243.1
bench_timed "$tmp/olvarin.time" "$build/bin/bench_tabulate" "$BENCH_AGENT" "$table" 2 >"$tmp/olvarin.out"
rows=$(awk -F'\t' '$1 == "rows" { print $2 }' "$tmp/olvarin.out")
first=$(awk -F'\t' '$1 == "seconds" { print $2; exit }' "$tmp/olvarin.out")
second=$(awk -F'\t' '$1 == "seconds" { n++ } n == 2 && $1 == "seconds" { print $2; exit }' "$tmp/olvarin.out")
echo "Olvarin: $rows rows, first pass $first s, second pass $second s" >&2

# -Cf: one line per row (a separator no value holds), the heading line first.
bench_timed "$tmp/snmptable.time" "${BENCH_TOOL[@]}" snmptable -CB -Cf '|' -v2c -c public -t 5 -r 1 \
    "$BENCH_AGENT" OLVARIN-BENCH-MIB::benchTable >"$tmp/snmptable.out"
trows=$(grep -c '|' "$tmp/snmptable.out" || true)
trows=$((trows - 1))
tseconds=$(bench_seconds "$tmp/snmptable.time")
echo "snmptable -CB: $trows rows in $tseconds s" >&2

trate=$(bench_rate "$trows" "$tseconds")
bench_row tabulate "first-pass-$rows" rate rows/s "$(bench_rate "$rows" "$first")" "snmptable -CB" "$trate"
bench_row tabulate "refresh-pass-$rows" rate rows/s "$(bench_rate "$rows" "$second")" "snmptable -CB" "$trate"
bench_row tabulate "table-$rows" rows "" "$rows" "snmptable -CB" "$trows"
bench_row tabulate "table-$rows" process-time s "$(bench_seconds "$tmp/olvarin.time")" "snmptable -CB" "$tseconds"
bench_row tabulate "table-$rows" peak-memory KiB "$(bench_kib "$tmp/olvarin.time")" "snmptable -CB" \
    "$(bench_kib "$tmp/snmptable.time")"
