#!/usr/bin/env bash
# bench/link/run.sh BUILD
#
# Reply bytes per second from the real slave (ostrane running KrSlave.tcl) through
# the browser's slave link (16-byte reads, the message queue drained before each)
# against plain loopback TCP read in 64 KiB chunks, moving the same replies in the
# same run: 4 replies of 1 MiB, and 3000 replies of 100 bytes (one command at a time).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(cd "${1:?usage: run.sh BUILD}" && pwd)
# shellcheck source=../agent/agent.sh
source "$here/../agent/agent.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

bench_timed "$tmp/link.time" "$build/bin/bench_link" >"$tmp/link.out"
value() { awk -F'\t' -v k="$1" '$1 == k { print $2 }' "$tmp/link.out"; }
for c in large small; do
    link=$(bench_rate "$(value "$c.link.bytes")" "$(value "$c.link.seconds")")
    tcp=$(bench_rate "$(value "$c.tcp.bytes")" "$(value "$c.tcp.seconds")")
    label=$([ "$c" = large ] && echo "4x1MiB-replies" || echo "3000x100B-replies")
    echo "$c: link $(value "$c.link.bytes") bytes in $(value "$c.link.seconds") s, tcp $(value "$c.tcp.bytes") bytes in $(value "$c.tcp.seconds") s" >&2
    bench_row link "$label" rate bytes/s "$link" "loopback TCP" "$tcp"
done
bench_row link all process-time s "$(bench_seconds "$tmp/link.time")" "" ""
bench_row link all peak-memory KiB "$(bench_kib "$tmp/link.time")" "" ""
