# Sourced by the benchmarks' run.sh: the bench agent, Debian's snmpd on 127.0.0.1
# at a free UDP port, unprivileged (as Debian-snmp when run as root), configured as
# the tests' agent (tests/support/snmpd-config.sh) plus OLVARIN-BENCH-MIB::benchTable
# served by benchtable.tcl through pass_persist.
#
#   bench_agent_start [ROWS]   sets BENCH_AGENT (127.0.0.1:PORT) and BENCH_AGENT_DIR
#   bench_agent_stop           stops it, waits for it and its table handler, removes
#                              the folder; safe to call twice (put it in a trap)
#
# bench_browser_env and bench_tool give the browser and net-snmp's tools the same
# MIB modules, the bench module among them.

bench_agent_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
bench_agent_source=$(cd "$bench_agent_here/../.." && pwd)
BENCH_AGENT=""
BENCH_AGENT_DIR=""
bench_agent_pid=""

bench_agent_answers() {
    MIBS= MIBDIRS= snmpget -v2c -c public -m "" -t 0.3 -r 0 -Oqv "$BENCH_AGENT" 1.3.6.1.2.1.1.1.0 >/dev/null 2>&1
}

bench_agent_start() {
    local rows=${1:-1200}
    local base=${TMPDIR:-/tmp}
    local as_agent=()
    if [ "$(id -u)" = 0 ] && id Debian-snmp >/dev/null 2>&1; then
        # Debian-snmp must reach the folder: /tmp is open to every user.
        base=/tmp
        as_agent=(setpriv --reuid=Debian-snmp --regid=Debian-snmp --clear-groups)
    fi
    BENCH_AGENT_DIR=$(mktemp -d "$base/olvarin-bench-agent-XXXXXX")
    local attempt port
    for attempt in 1 2 3 4 5; do
        port=$((20000 + RANDOM % 40000))
        sh "$bench_agent_source/tests/support/snmpd-config.sh" "$BENCH_AGENT_DIR" "$port"
        cp "$bench_agent_here/benchtable.tcl" "$BENCH_AGENT_DIR/benchtable.tcl"
        chmod 755 "$BENCH_AGENT_DIR/benchtable.tcl"
        echo "pass_persist .1.3.6.1.4.1.424243 /usr/bin/tclsh8.6 $BENCH_AGENT_DIR/benchtable.tcl $rows" \
            >>"$BENCH_AGENT_DIR/snmpd.conf"
        [ "$(id -u)" = 0 ] && [ ${#as_agent[@]} -gt 0 ] && chown -R Debian-snmp:Debian-snmp "$BENCH_AGENT_DIR"
        BENCH_AGENT=127.0.0.1:$port
        # -m "": the agent loads no MIB modules; -I -smux: no SMUX listener.
        SNMP_PERSISTENT_DIR="$BENCH_AGENT_DIR/persist" MIBS= MIBDIRS= \
            "${as_agent[@]}" snmpd -f -C -c "$BENCH_AGENT_DIR/snmpd.conf" -m "" -I -smux -A \
            -Lf "$BENCH_AGENT_DIR/snmpd.log" </dev/null >>"$BENCH_AGENT_DIR/snmpd.out" 2>&1 &
        bench_agent_pid=$!
        local i
        for i in $(seq 1 50); do
            if ! kill -0 "$bench_agent_pid" 2>/dev/null; then
                break
            fi
            if bench_agent_answers; then
                echo "bench agent on $BENCH_AGENT (pid $bench_agent_pid, $rows rows)" >&2
                return 0
            fi
            sleep 0.1
        done
        bench_agent_kill
    done
    echo "the bench agent did not start; its log:" >&2
    cat "$BENCH_AGENT_DIR/snmpd.log" >&2
    bench_agent_stop
    return 1
}

bench_agent_kill() {
    [ -n "$bench_agent_pid" ] || return 0
    kill -TERM "$bench_agent_pid" 2>/dev/null || true
    local i
    for i in $(seq 1 100); do
        kill -0 "$bench_agent_pid" 2>/dev/null || break
        sleep 0.05
    done
    kill -KILL "$bench_agent_pid" 2>/dev/null || true
    wait "$bench_agent_pid" 2>/dev/null || true
    bench_agent_pid=""
}

bench_agent_stop() {
    bench_agent_kill
    if [ -n "$BENCH_AGENT_DIR" ]; then
        # The table handler ends when snmpd closes its stdin; wait for it briefly.
        local i
        for i in $(seq 1 40); do
            pgrep -f "$BENCH_AGENT_DIR/benchtable.tcl" >/dev/null 2>&1 || break
            sleep 0.05
        done
        rm -rf "$BENCH_AGENT_DIR"
        BENCH_AGENT_DIR=""
    fi
}

# The environment of net-snmp's tools in the benchmarks: the browser's MIB set (the
# build tree's folder) and the bench module, all of both loaded, as the browser
# loads them. bench_tool_env BUILD sets BENCH_TOOL, a command prefix:
#   "${BENCH_TOOL[@]}" snmpwalk ...
bench_tool_env() {
    BENCH_TOOL=(env "MIBDIRS=$1/share/olvarin/mibs:$bench_agent_here" MIBS=ALL)
}

# The browser's environment: the bench module as a user module beside its defaults.
bench_browser_env() {
    export MIBDIRS="+$bench_agent_here"
    export MIBS="+OLVARIN-BENCH-MIB"
}

# bench_timed FILE command...: runs the command under /usr/bin/time -v, its report
# in FILE; then bench_seconds FILE and bench_kib FILE give wall time and peak RSS.
bench_timed() {
    local file=$1
    shift
    /usr/bin/time -v -o "$file" "$@"
}

bench_seconds() {
    awk -F': ' '/Elapsed \(wall clock\) time/ {
        n = split($2, p, ":"); s = 0
        for (i = 1; i <= n; i++) s = s * 60 + p[i]
        printf "%.3f\n", s }' "$1"
}

bench_kib() {
    awk -F': ' '/Maximum resident set size/ { print $2 }' "$1"
}

# bench_rate COUNT SECONDS: COUNT/SECONDS, whole number.
bench_rate() {
    awk -v n="$1" -v s="$2" 'BEGIN { printf "%.0f\n", (s > 0) ? n / s : 0 }'
}

# bench_row benchmark case measure unit olvarin peer-tool peer
bench_row() {
    printf 'ROW\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$@"
}
