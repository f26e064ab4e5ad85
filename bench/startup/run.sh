#!/usr/bin/env bash
# Start-up benchmark: time and peak memory of the browser from launch until its
# MIB tree is built and the root object shown, beside `snmptranslate -Tp` reading
# and printing the same modules, for the default MIB set and for generated sets
# of about 10,000, 50,000 and 100,000 objects.
#
#   bench/startup/run.sh <build folder>
#
# The browser is bin/bench_startup: the program's own start-up code, ended after
# the start-up. User modules reach it the way users add them: the folder of the
# generated set is added with MIBDIRS=+<folder>, and the default module list
# (which ends in ALL) loads every module found there. snmptranslate is given the
# same folders and the same module list.
#
# The browser's figures are its own process's: the Tcl slave it starts (which
# reads the MIB too, at the same time, on its own) is a process apart and not
# counted; each run waits for its slave to end before the next starts.
#
# Each case runs OLVARIN_BENCH_REPEAT times (5); the median is reported. A run
# counts only when the browser ends with the whole tree built and the root shown,
# and when its tree has as many nodes as snmptranslate prints: the two read the
# same modules. Results
# go to stdout as ROW lines (see bench/run-all.sh); the details to stderr.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(cd "${1:?usage: run.sh <build folder>}" && pwd)
repeat=${OLVARIN_BENCH_REPEAT:-5}
driver=$build/bin/bench_startup
mibs=$build/share/olvarin/mibs
[ -x "$driver" ] || { echo "startup: $driver is missing (build first)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "startup: /usr/bin/time is missing (Debian package time)" >&2; exit 1; }
command -v snmptranslate >/dev/null || { echo "startup: snmptranslate is missing (Debian package snmp)" >&2; exit 1; }

work=$build/bench-work/startup
mkdir -p "$work"
scratch=$(mktemp -d "$work/run.XXXXXX")
token=olvarin-startup-$$-$RANDOM

# Slaves this run started carry the token in their environment (the browser
# passes its own on): they are found by it, and by nothing broader.
run_slaves() {
    local pid
    for env in /proc/[0-9]*/environ; do
        pid=${env#/proc/}
        pid=${pid%/environ}
        [ "$pid" = "$$" ] && continue
        # Other users' processes and those that have just ended cannot be read.
        if { tr '\0' '\n' <"$env" | grep -qx "OLVARIN_BENCH_RUN=$token"; } 2>/dev/null; then
            echo "$pid"
        fi
    done
}

# A slave ends by itself once the browser has gone (its connection closes, or it
# finds nobody listening); it may still be reading its MIB, so it gets a while.
reap_slaves() {
    local pids left deadline=$((SECONDS + 60))
    while :; do
        pids=$(run_slaves)
        [ -z "$pids" ] && return 0
        if [ $SECONDS -ge $deadline ]; then
            echo "startup: slave(s) still running after the browser ended, stopped: $pids" >&2
            for p in $pids; do kill "$p" 2>/dev/null || true; done
            sleep 1
            left=$(run_slaves)
            for p in $left; do kill -KILL "$p" 2>/dev/null || true; done
            return 0
        fi
        sleep 0.2
    done
}

cleanup() {
    reap_slaves
    rm -rf "$scratch"
}
trap cleanup EXIT

# The generated sets, kept between runs and made again when the generator changes.
generator=$here/../mibgen/mibgen.tcl
stamp=$(sha1sum "$generator" | cut -c1-12)
declare -A setdir
for size in 10000 50000 100000; do
    dir=$work/mibs-$size-$stamp
    if [ ! -f "$dir/.done" ]; then
        rm -rf "$dir"
        tclsh8.6 "$generator" "$dir" "$size" >"$dir.count"
        touch "$dir/.done"
    fi
    setdir[$size]=$dir
done

# The environment of every measured run: nothing of the user's configuration,
# MIB cache or display.
common_env=(env -u MIBS -u MIBDIRS -u SNMPCONFPATH HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config"
            XDG_CACHE_HOME="$scratch/cache" SNMP_PERSISTENT_DIR="$scratch/persist" QT_QPA_PLATFORM=offscreen
            OLVARIN_BENCH_RUN="$token")
mkdir -p "$scratch/home" "$scratch/config" "$scratch/cache" "$scratch/persist" "$scratch/snmpconf"

# Runs one measured command (its output in $scratch/out and $scratch/err) and
# sets t (wall-clock seconds), m (peak resident memory, MB) and u (processor
# seconds, user and system); ends the run
# when the command fails.
measure() {
    /usr/bin/time -v -o "$scratch/time" "$@" >"$scratch/out" 2>"$scratch/err" || {
        echo "startup: failed: $*" >&2
        cat "$scratch/err" "$scratch/time" >&2
        exit 1
    }
    awk -F': ' '
        /Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i] }
        /Maximum resident set size/ { kb = $2 }
        /User time \(seconds\)/ || /System time \(seconds\)/ { cpu += $2 }
        END { printf "%.3f %.1f %.3f\n", s, kb / 1024, cpu }' "$scratch/time" >"$scratch/result"
    read -r t m u <"$scratch/result"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

declare -A ot om ou pt pm pu objects
cases=(default 10000 50000 100000)
for c in "${cases[@]}"; do
    if [ "$c" = default ]; then
        browser_env=()
        dirs=$mibs
    else
        browser_env=(MIBDIRS="+${setdir[$c]}")
        dirs=$mibs:${setdir[$c]}
    fi
    times=() mems=() cpus=() ptimes=() pmems=() pcpus=()
    for ((i = 0; i < repeat; i++)); do
        measure "${common_env[@]}" "${browser_env[@]}" timeout 300 "$driver"
        line=$(grep '^startup: nodes=' "$scratch/err" || true)
        echo "startup $c run $i: $t s, $m MB, $u s processor; $line" >&2
        reap_slaves
        nodes=$(sed -n 's/.*nodes=\([0-9]*\).*/\1/p' <<<"$line")
        if [[ "$line" != *" root=1 status=MIB's loaded. "* ]] || [ "${nodes:-0}" -le 1 ]; then
            echo "startup: the browser's start-up did not complete ($c)" >&2
            cat "$scratch/err" >&2
            exit 1
        fi
        times+=("$t") mems+=("$m") cpus+=("$u")

        measure "${common_env[@]}" SNMPCONFPATH="$scratch/snmpconf" \
                        snmptranslate -M "$dirs" -m SNMPv2-MIB:IF-MIB:ALL -Tp
        pnodes=$(grep -c -- '--' "$scratch/out" || true)
        echo "snmptranslate $c run $i: $t s, $m MB, $u s processor; $pnodes nodes printed" >&2
        if [ "$pnodes" != "$nodes" ]; then
            echo "startup: the browser's tree has $nodes nodes, snmptranslate printed $pnodes ($c)" >&2
            exit 1
        fi
        ptimes+=("$t") pmems+=("$m") pcpus+=("$u")
    done
    objects[$c]=$nodes
    ot[$c]=$(printf '%s\n' "${times[@]}" | median)
    om[$c]=$(printf '%s\n' "${mems[@]}" | median)
    pt[$c]=$(printf '%s\n' "${ptimes[@]}" | median)
    pm[$c]=$(printf '%s\n' "${pmems[@]}" | median)
    ou[$c]=$(printf '%s\n' "${cpus[@]}" | median)
    pu[$c]=$(printf '%s\n' "${pcpus[@]}" | median)
done

label() {
    if [ "$1" = default ]; then echo "default MIBs (${objects[$1]} obj)"; else echo "$(($1 / 1000))k objects (${objects[$1]})"; fi
}
for c in "${cases[@]}"; do
    l=$(label "$c")
    printf 'ROW\tstartup\t%s\ttime\ts\t%s\tsnmptranslate -Tp\t%s\n' "$l" "${ot[$c]}" "${pt[$c]}"
    printf 'ROW\tstartup\t%s\tpeak memory\tMB\t%s\tsnmptranslate -Tp\t%s\n' "$l" "${om[$c]}" "${pm[$c]}"
    printf 'ROW\tstartup\t%s\tprocessor time\ts\t%s\tsnmptranslate -Tp\t%s\n' "$l" "${ou[$c]}" "${pu[$c]}"
done
# Growth: the cost of each generated set above the default set, per 1000 objects
# it adds. Linear growth keeps these figures alike from set to set.
for c in 10000 50000 100000; do
    l=$(label "$c")
    added=$((objects[$c] - objects[default]))
    awk -v l="$l" -v n="$added" -v a="${ot[$c]}" -v a0="${ot[default]}" -v b="${pt[$c]}" -v b0="${pt[default]}" \
        -v m="${om[$c]}" -v m0="${om[default]}" -v q="${pm[$c]}" -v q0="${pm[default]}" 'BEGIN {
        if (n <= 0) exit
        printf "ROW\tstartup\t%s\ttime per 1000 added\tms\t%.1f\tsnmptranslate -Tp\t%.1f\n", l, (a - a0) * 1e6 / n, (b - b0) * 1e6 / n
        printf "ROW\tstartup\t%s\tmemory per 1000 added\tMB\t%.3f\tsnmptranslate -Tp\t%.3f\n", l, (m - m0) * 1000 / n, (q - q0) * 1000 / n
    }'
done
