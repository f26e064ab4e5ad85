#!/usr/bin/env bash
# run-browser.sh BUILD_DIR [BROWSER ARGUMENTS...]
#
# Opens the browser built in BUILD_DIR on a live agent at once: starts a local demo
# agent (Debian's snmpd on 127.0.0.1 at a free high port, with the test agent's
# configuration: community "public" reads everything, "private" may write the
# system group), opens BUILD_DIR/bin/Olvarin -address 127.0.0.1:PORT, and stops
# the agent when the browser ends.
set -euo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 BUILD_DIR [browser arguments...]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
shift
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
browser=$build/bin/Olvarin

if [ ! -x "$browser" ]; then
    echo "$browser is not built; run: scripts/dev.sh build" >&2
    exit 1
fi

# The browser is a window: without a display there is nothing to open it on.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    cat >&2 <<'EOF'
No display: neither DISPLAY nor WAYLAND_DISPLAY is set.
Run the browser from a desktop session, or give it a display, for instance:
  xvfb-run -a scripts/dev.sh run                    (a virtual X server; apt-get install xvfb)
  ssh -X host, then scripts/dev.sh run               (the display of your own machine)
  QT_QPA_PLATFORM=vnc scripts/dev.sh run             (a VNC server on port 5900)
  QT_QPA_PLATFORM=offscreen scripts/dev.sh run       (no window at all: start-up check only)
EOF
    exit 1
fi

for tool in snmpd snmpget; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "$tool is missing (apt-get install snmpd snmp); run: scripts/dev.sh run" >&2
        exit 1
    fi
done

# As root the agent runs as Debian-snmp, which must reach its folder: /tmp is open
# to every user, a TMPDIR under /root would not be.
as_agent=()
tmpbase=${TMPDIR:-/tmp}
if [ "$(id -u)" -eq 0 ] && id Debian-snmp >/dev/null 2>&1; then
    as_agent=(setpriv --reuid=Debian-snmp --regid=Debian-snmp --clear-groups)
    tmpbase=/tmp
fi
folder=$(mktemp -d "$tmpbase/olvarin-demo-agent-XXXXXX")
agent_pid=""

stop_agent() {
    if [ -n "$agent_pid" ] && kill -0 "$agent_pid" 2>/dev/null; then
        kill "$agent_pid" 2>/dev/null || true
        wait "$agent_pid" 2>/dev/null || true
    fi
    agent_pid=""
    rm -rf "$folder"
}
trap stop_agent EXIT
trap 'exit 130' INT TERM HUP

port_in_use() {
    if command -v ss >/dev/null 2>&1; then
        [ -n "$(ss -Hlun "sport = :$1" 2>/dev/null)" ]
    else
        return 1
    fi
}

answers() {
    snmpget -v2c -c public -r 0 -t 1 -m "" "127.0.0.1:$1" 1.3.6.1.2.1.1.1.0 >/dev/null 2>&1
}

# A free high port; another process may take it between the look and the agent's
# bind, so a few tries.
port=""
for attempt in 1 2 3 4 5; do
    candidate=$(( 20000 + RANDOM % 40000 ))
    port_in_use "$candidate" && continue
    sh "$here/tests/support/snmpd-config.sh" "$folder" "$candidate"
    SNMP_PERSISTENT_DIR=$folder/persist MIBS="" MIBDIRS="" "${as_agent[@]}" \
        snmpd -f -C -c "$folder/snmpd.conf" -m "" -I -smux -A -Lf "$folder/snmpd.log" \
        </dev/null >>"$folder/snmpd.out" 2>&1 &
    agent_pid=$!
    for _ in $(seq 1 50); do
        if ! kill -0 "$agent_pid" 2>/dev/null; then
            break
        fi
        if answers "$candidate"; then
            port=$candidate
            break
        fi
        sleep 0.2
    done
    [ -n "$port" ] && break
    kill "$agent_pid" 2>/dev/null || true
    wait "$agent_pid" 2>/dev/null || true
    agent_pid=""
done
if [ -z "$port" ]; then
    echo "The demo agent did not start; its log:" >&2
    cat "$folder/snmpd.log" "$folder/snmpd.out" >&2 2>/dev/null || true
    exit 1
fi

echo "Demo agent on 127.0.0.1:$port (community public reads, private writes the system group)."
status=0
"$browser" -address "127.0.0.1:$port" "$@" || status=$?
exit $status
