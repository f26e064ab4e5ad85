# The browser's Tcl script, loaded into the slave at start-up ("KrSource
# Olvarin.tcl"). The browser sends the SNMP requests of its main window and of
# its walk windows through these two procedures. Each returns the agent's
# answer as a Tcl list of variable bindings {oid syntax value}; a request of one
# binding gives a one-element list, which the browser takes apart with lindex.

# One request on a session of its own, made for it and destroyed after it,
# whatever the outcome: the main window's Get, Get Next and Set.
#   SnmpGlobalRequest 127.0.0.1:161 public 5 3 get {{1.3.6.1.2.1.1.1.0 }}
proc SnmpGlobalRequest {target community timeout retries op vbl} {
    set session [snmp session -address $target -community $community \
                     -timeout $timeout -retries $retries]
    try {
        return [$session $op $vbl]
    } finally {
        $session destroy
    }
}

# One request for a single OID on an existing session: the walk's Get Next.
#   SnmpSessionRequest snmp0 getnext 1.3.6.1.2.1.1
proc SnmpSessionRequest {session op oid} {
    return [$session $op [list [list $oid]]]
}
