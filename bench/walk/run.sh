#!/usr/bin/env bash
# bench/walk/run.sh BUILD
#
# Instances per second of the walk window (repetitions 1, one Get Next per instance
# through the real slave) against snmpwalk (Get Next) and snmpbulkwalk on the same
# agent and root, in the same run: over the whole agent (1.3.6.1) and over the bench
# table (OLVARIN-BENCH-MIB::benchTable, 1200 rows of 6 columns). The browser's rate
# counts the walk only (Start to "All cycles done"); the tools' rates count their
# whole process, start-up included. Process time and peak memory from /usr/bin/time -v
# (for the browser: the whole driver, from start-up to exit).
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

# Instance lines of a tool's output; the note at the end of the agent's MIB is none.
tool_instances() {
    grep -E '^[^ ]+ = ' "$1" | grep -cv 'No more variables left in this MIB View' || true
}

walk_case() {
    local name=$1 root=$2
    echo "-- walk $name ($root)" >&2
    bench_timed "$tmp/olvarin.time" "$build/bin/bench_walk" "$BENCH_AGENT" "$root" >"$tmp/olvarin.out"
    local count seconds rate
    count=$(awk -F'\t' '$1 == "instances" { print $2 }' "$tmp/olvarin.out")
    seconds=$(awk -F'\t' '$1 == "seconds" { print $2 }' "$tmp/olvarin.out")
    rate=$(bench_rate "$count" "$seconds")
    echo "Olvarin: $count instances in $seconds s" >&2

    local tool tcount tseconds
    for tool in snmpwalk snmpbulkwalk; do
        bench_timed "$tmp/$tool.time" "${BENCH_TOOL[@]}" "$tool" -v2c -c public -t 5 -r 1 "$BENCH_AGENT" "$root" \
            >"$tmp/$tool.out"
        tcount=$(tool_instances "$tmp/$tool.out")
        tseconds=$(bench_seconds "$tmp/$tool.time")
        echo "$tool: $tcount instances in $tseconds s" >&2
        bench_row walk "$name" rate inst/s "$rate" "$tool" "$(bench_rate "$tcount" "$tseconds")"
        [ "$tool" = snmpwalk ] && bench_row walk "$name" instances "" "$count" "$tool" "$tcount"
        bench_row walk "$name" process-time s "$(bench_seconds "$tmp/olvarin.time")" "$tool" "$tseconds"
        bench_row walk "$name" peak-memory KiB "$(bench_kib "$tmp/olvarin.time")" "$tool" "$(bench_kib "$tmp/$tool.time")"
    done
}

walk_case whole-agent 1.3.6.1
walk_case subtree-7200 1.3.6.1.4.1.424243.1
