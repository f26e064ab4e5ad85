#!/usr/bin/env tclsh8.6
# benchtable.tcl ROWS
#
# snmpd's pass_persist handler for OLVARIN-BENCH-MIB::benchTable
# (1.3.6.1.4.1.424243.1): ROWS rows of six columns, computed, never stored.
# snmpd talks to it over stdin/stdout, one request at a time:
#   PING                 -> PONG
#   get / getnext, OID   -> OID, type, value   or NONE
#   set, OID, value      -> not-writable
# It ends when snmpd closes its stdin.

set rows [expr {$argc > 0 ? [lindex $argv 0] : 1200}]
set base .1.3.6.1.4.1.424243
set columns 6
fconfigure stdin -translation lf -buffering line
fconfigure stdout -translation lf -buffering full

proc value {column row} {
    switch -- $column {
        1 { return [list integer $row] }
        2 { return [list string "row-$row"] }
        3 { return [list counter [expr {($row * 7919) % 4294967296}]] }
        4 { return [list gauge [expr {$row % 100}]] }
        5 { return [list integer [expr {1 + $row % 2}]] }
        6 { return [list string "bench row $row of the table, with a text of some length"] }
    }
}

# The arcs of OID below the base, or "" when it is not below it.
proc below {oid} {
    global base
    set n [string length $base]
    if {$oid eq $base} { return {} }
    if {[string range $oid 0 $n] ne "$base."} { return "" }
    return [split [string range $oid [expr {$n + 1}] end] .]
}

# The instance {column row} with that exact OID, or "".
proc exact {oid} {
    global rows columns
    set rel [below $oid]
    if {[llength $rel] != 4 || [lindex $rel 0] != 1 || [lindex $rel 1] != 1} { return "" }
    lassign $rel - - c r
    if {![string is digit -strict $c] || ![string is digit -strict $r]} { return "" }
    if {$c < 1 || $c > $columns || $r < 1 || $r > $rows} { return "" }
    return [list $c $r]
}

# The first instance after OID in OID order, or "".
proc next {oid} {
    global base rows columns
    if {[string compare $oid $base] < 0 && [string first "$base." $oid] != 0} {
        # Only OIDs at or below the base reach this handler.
        return [list 1 1]
    }
    set rel [below $oid]
    foreach arc $rel {
        if {![string is digit -strict $arc]} { return "" }
    }
    set a [lindex $rel 0]
    if {$a eq "" || $a < 1} { return [list 1 1] }
    if {$a > 1} { return "" }
    set b [lindex $rel 1]
    if {$b eq "" || $b < 1} { return [list 1 1] }
    if {$b > 1} { return "" }
    set c [lindex $rel 2]
    if {$c eq "" || $c < 1} { return [list 1 1] }
    if {$c > $columns} { return "" }
    set r [lindex $rel 3]
    if {$r eq ""} { return [list $c 1] }
    if {$r + 1 <= $rows} { return [list $c [expr {$r + 1}]] }
    if {$c < $columns} { return [list [expr {$c + 1}] 1] }
    return ""
}

proc answer {instance} {
    global base
    if {$instance eq ""} {
        puts NONE
        return
    }
    lassign $instance c r
    lassign [value $c $r] type value
    puts "$base.1.1.$c.$r\n$type\n$value"
}

while {[gets stdin line] >= 0} {
    switch -- $line {
        PING { puts PONG }
        get { gets stdin oid; answer [exact $oid] }
        getnext { gets stdin oid; answer [next $oid] }
        set { gets stdin oid; gets stdin value; puts not-writable }
        default { puts NONE }
    }
    flush stdout
}
