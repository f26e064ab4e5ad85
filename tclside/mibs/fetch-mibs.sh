#!/bin/sh
# fetch-mibs.sh DEST
#
# Gathers the default MIB module set into DEST: the standard modules that the
# npm package net-snmp and Debian's erlang-snmp ship as source, and net-snmp's
# own modules from the installed libsnmp-base. Only the MIB files are taken;
# neither Node nor Erlang is needed at run time.
#
# Idempotent: when DEST already holds every file of the set, nothing is fetched.
set -eu

if [ $# -ne 1 ]; then
    echo "usage: $0 DEST" >&2
    exit 2
fi
DEST=$1
NPM_PACKAGE=net-snmp@3.29.2
SYSTEM_MIBS=/usr/share/snmp/mibs

NPM_MODULES="SNMPv2-SMI SNMPv2-TC SNMPv2-CONF SNMPv2-MIB RFC1213-MIB IF-MIB
IANAifType-MIB RFC1155-SMI RFC-1212 RFC-1215"
ERLANG_MODULES="SNMP-FRAMEWORK-MIB SNMP-USER-BASED-SM-MIB SNMP-VIEW-BASED-ACM-MIB
SNMP-TARGET-MIB SNMP-NOTIFICATION-MIB SNMP-COMMUNITY-MIB SNMP-MPD-MIB
INET-ADDRESS-MIB TRANSPORT-ADDRESS-MIB SNMPv2-TM SNMP-USM-AES-MIB
SNMP-USM-HMAC-SHA2-MIB"
# net-snmp's own modules. Two of them import HCNUM-TC, which none of these
# packages ships; the project keeps a short copy of it beside this script.
SYSTEM_MODULES="NET-SNMP-TC NET-SNMP-MIB NET-SNMP-AGENT-MIB NET-SNMP-EXTEND-MIB
NET-SNMP-PASS-MIB NET-SNMP-VACM-MIB NET-SNMP-EXAMPLES-MIB UCD-SNMP-MIB
UCD-DEMO-MIB UCD-DISKIO-MIB UCD-DLMOD-MIB UCD-IPFWACC-MIB LM-SENSORS-MIB"
OWN_MODULES="HCNUM-TC"
HERE=$(cd "$(dirname "$0")" && pwd)

complete=yes
for m in $NPM_MODULES $ERLANG_MODULES $OWN_MODULES; do
    [ -s "$DEST/$m.mib" ] || complete=no
done
for m in $SYSTEM_MODULES; do
    [ -s "$DEST/$m.txt" ] || complete=no
done
if [ $complete = yes ]; then
    exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# apt-get download drops privileges to _apt, which must be able to write here.
chmod 755 "$work"
mkdir -p "$work/set"

# npm's MIB files lie in lib/mibs of the package tarball.
command -v npm >/dev/null || { echo "fetch-mibs: npm is needed to fetch $NPM_PACKAGE" >&2; exit 1; }
(cd "$work" && npm pack --silent "$NPM_PACKAGE" >/dev/null)
mkdir -p "$work/npm"
tar xzf "$work"/net-snmp-*.tgz -C "$work/npm"
for m in $NPM_MODULES; do
    cp "$work/npm/package/lib/mibs/$m.mib" "$work/set/$m.mib"
done
# RFC-1215 ends with example traps whose enterprise `snmp' is defined nowhere
# in the module; keep the TRAP-TYPE macro (up to its END) and close the module.
sed -n '1,/^[[:space:]]*END[[:space:]]*$/p' "$work/set/RFC-1215.mib" > "$work/rfc1215"
printf '\nEND\n' >> "$work/rfc1215"
mv "$work/rfc1215" "$work/set/RFC-1215.mib"

chmod 777 "$work"
download_erlang() {
    (cd "$work" && apt-get download erlang-snmp >/dev/null 2>"$work/apt.log")
}
# On a machine whose package lists were never fetched, fetch them once (root only).
if ! download_erlang && ! { [ "$(id -u)" = 0 ] && apt-get update -qq >/dev/null 2>&1 && download_erlang; }; then
    cat "$work/apt.log" >&2
    echo "fetch-mibs: apt-get download erlang-snmp failed (run apt-get update first?)" >&2
    exit 1
fi
mkdir -p "$work/erl"
dpkg-deb -x "$work"/erlang-snmp_*.deb "$work/erl"
for m in $ERLANG_MODULES; do
    f=$(find "$work/erl/usr/lib/erlang/lib" -path '*/mibs/*' -name "$m.mib" | head -n 1)
    [ -n "$f" ] || { echo "fetch-mibs: $m.mib missing from erlang-snmp" >&2; exit 1; }
    cp "$f" "$work/set/$m.mib"
done
# Its compliance statement names snmpCommunitySecurityLevel, an object this
# copy of the module does not define: drop that OBJECT clause (three lines).
sed '/^[[:space:]]*OBJECT[[:space:]]*snmpCommunitySecurityLevel[[:space:]]*$/,+2d' \
    "$work/set/SNMP-COMMUNITY-MIB.mib" > "$work/community"
mv "$work/community" "$work/set/SNMP-COMMUNITY-MIB.mib"

for m in $SYSTEM_MODULES; do
    [ -s "$SYSTEM_MIBS/$m.txt" ] || { echo "fetch-mibs: $SYSTEM_MIBS/$m.txt missing (install libsnmp-base)" >&2; exit 1; }
    cp "$SYSTEM_MIBS/$m.txt" "$work/set/$m.txt"
done

for m in $OWN_MODULES; do
    cp "$HERE/$m.mib" "$work/set/$m.mib"
done

mkdir -p "$DEST"
chmod 644 "$work"/set/*
cp "$work"/set/* "$DEST"/
