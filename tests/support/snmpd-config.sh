#!/bin/sh
# snmpd-config.sh DIR PORT
#
# Writes DIR/snmpd.conf for the test agent (Debian's snmpd on 127.0.0.1:PORT)
# and prepares DIR/persist as its SNMP_PERSISTENT_DIR:
#   community public   read-only, everything
#   community private  read-write, but writes reach the system group only
#   SNMPv3 user olvarin, SHA "olvarin-auth-pass", AES "olvarin-priv-pass",
#                       authPriv, the same views as private
# Writes are confined to 1.3.6.1.2.1.1: a write elsewhere (ifAdminStatus, say)
# on an agent with enough rights once took a machine's loopback interface down.
#
# Start the agent, as root through setpriv so that it runs unprivileged:
#   SNMP_PERSISTENT_DIR=DIR/persist setpriv --reuid=Debian-snmp --regid=Debian-snmp \
#     --clear-groups snmpd -f -C -c DIR/snmpd.conf -m "" -I -smux -Lf DIR/snmpd.log
set -eu

if [ $# -ne 2 ]; then
    echo "usage: $0 DIR PORT" >&2
    exit 2
fi
DIR=$1
PORT=$2

mkdir -p "$DIR/persist"
cat > "$DIR/snmpd.conf" <<CONF
agentaddress udp:127.0.0.1:$PORT

view   all     included  .1
view   system  included  .1.3.6.1.2.1.1

com2sec readonly   default  public
com2sec readwrite  default  private

group  readers  v1   readonly
group  readers  v2c  readonly
group  writers  v1   readwrite
group  writers  v2c  readwrite
group  writers  usm  olvarin

access readers  ""  any  noauth  exact  all  none    none
access writers  ""  any  noauth  exact  all  system  none
access writers  ""  usm  priv    exact  all  system  none

createUser olvarin SHA "olvarin-auth-pass" AES "olvarin-priv-pass"

sysServices 72
CONF
: > "$DIR/snmpd.log"

# As root the agent runs as Debian-snmp, which must reach and write all this.
if [ "$(id -u)" = 0 ] && id Debian-snmp >/dev/null 2>&1; then
    chown -R Debian-snmp:Debian-snmp "$DIR"
    chmod 755 "$DIR"
fi
