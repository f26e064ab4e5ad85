#!/usr/bin/env tclsh8.6
# Writes a set of valid SMIv2 MIB modules of about the given number of objects,
# for the start-up benchmark:
#
#     tclsh8.6 mibgen.tcl <folder> <objects> ?<objects per module>?
#
# The folder gets one conventions module, OLVBENCH-TC-MIB (the root of the set
# under enterprises and two enumerated textual conventions), and as many
# OLVBENCH-<n>-MIB modules as the count needs. Each of those holds groups of
# scalars of every common syntax (inline enumerations, enumerations through a
# convention of its own set and through SNMPv2-TC's TruthValue, ranges, sizes)
# and tables with an entry, an index and columns, then its conformance group.
# Every node the modules give an OID counts as one object: module identities,
# groups, scalars, tables, entries, columns, conformance nodes.
#
# The output is the same for the same arguments; the last line on stdout is the
# number of objects written.

if {[llength $argv] < 2 || [llength $argv] > 3} {
    puts stderr "usage: mibgen.tcl <folder> <objects> ?<objects per module>?"
    exit 2
}
lassign $argv folder wanted perModule
if {$perModule eq ""} {
    set perModule 2500
}
if {![string is integer -strict $wanted] || $wanted < 100
        || ![string is integer -strict $perModule] || $perModule < 100} {
    puts stderr "mibgen: the counts must be integers of at least 100"
    exit 2
}

# Under an enterprise number that no shipped module uses.
set enterprise 424243

# One group: a group node, the scalars, and per table a table, an entry and
# its columns (the first column is the index).
set scalarsPerGroup 10
set tablesPerGroup 2
set columnsPerTable 8
set perGroup [expr {1 + $scalarsPerGroup + $tablesPerGroup * (2 + $columnsPerTable)}]
# Per module besides the groups: identity, objects node, conformance node,
# groups node, compliances node, object group, compliance.
set perModuleFixed 7

# The syntaxes of scalars and columns, in turn: {SYNTAX clause} {import} {from}.
set syntaxes {
    {{Integer32 (0..65535)}                         Integer32     SNMPv2-SMI}
    {{DisplayString (SIZE (0..255))}                DisplayString SNMPv2-TC}
    {Counter32                                      Counter32     SNMPv2-SMI}
    {{INTEGER { up(1), down(2), testing(3), unknown(4) }} {}      {}}
    {OlvBenchState                                  OlvBenchState OLVBENCH-TC-MIB}
    {Gauge32                                        Gauge32       SNMPv2-SMI}
    {TimeTicks                                      TimeTicks     SNMPv2-SMI}
    {IpAddress                                      IpAddress     SNMPv2-SMI}
    {TruthValue                                     TruthValue    SNMPv2-TC}
    {{Unsigned32 (1..4096)}                         Unsigned32    SNMPv2-SMI}
    {OlvBenchLevel                                  OlvBenchLevel OLVBENCH-TC-MIB}
    {Counter64                                      Counter64     SNMPv2-SMI}
    {{OCTET STRING (SIZE (0..16))}                  {}            {}}
    {OlvBenchTenths                                 OlvBenchTenths OLVBENCH-TC-MIB}
}

proc syntaxAt {i} {
    lindex $::syntaxes [expr {$i % [llength $::syntaxes]}]
}

# Counters are never writable.
proc accessFor {name wanted} {
    expr {[string match Counter* $name] ? "read-only" : $wanted}
}

# Type name of a SEQUENCE entry for a SYNTAX clause: the clause without its
# sub-typing (SEQUENCE members name a type only).
proc sequenceType {clause} {
    if {[string match "INTEGER*" $clause]} {
        return INTEGER
    }
    if {[string match "OCTET STRING*" $clause]} {
        return "OCTET STRING"
    }
    return [lindex [split $clause " "] 0]
}

proc objectType {name syntax access description parent arc {extra ""}} {
    set text "$name OBJECT-TYPE\n    SYNTAX      $syntax\n    MAX-ACCESS  $access\n    STATUS      current\n"
    append text "    DESCRIPTION\n        \"$description\"\n"
    append text $extra
    append text "    ::= \{ $parent $arc \}\n\n"
    return $text
}

proc writeFile {path text} {
    set f [open $path w]
    fconfigure $f -translation lf -encoding ascii
    puts -nonewline $f $text
    close $f
}

proc tcModule {} {
    set t "OLVBENCH-TC-MIB DEFINITIONS ::= BEGIN\n\n"
    append t "IMPORTS\n    MODULE-IDENTITY, Integer32, enterprises FROM SNMPv2-SMI\n    TEXTUAL-CONVENTION FROM SNMPv2-TC;\n\n"
    append t "olvBench MODULE-IDENTITY\n    LAST-UPDATED \"202601010000Z\"\n    ORGANIZATION \"Olvarin benchmarks\"\n"
    append t "    CONTACT-INFO \"none\"\n    DESCRIPTION\n        \"Root and conventions of the generated benchmark modules.\"\n"
    append t "    ::= \{ enterprises $::enterprise \}\n\n"
    append t "OlvBenchState ::= TEXTUAL-CONVENTION\n    STATUS      current\n    DESCRIPTION\n"
    append t "        \"The state of a generated thing.\"\n"
    append t "    SYNTAX      INTEGER \{ idle(1), starting(2), running(3), stopping(4), failed(5) \}\n\n"
    append t "OlvBenchLevel ::= TEXTUAL-CONVENTION\n    STATUS      current\n"
    append t "    DESCRIPTION\n        \"A level of a generated thing.\"\n"
    append t "    SYNTAX      INTEGER \{ low(1), medium(2), high(3) \}\n\n"
    append t "OlvBenchTenths ::= TEXTUAL-CONVENTION\n    DISPLAY-HINT \"d-1\"\n    STATUS      current\n"
    append t "    DESCRIPTION\n        \"A quantity in tenths.\"\n"
    append t "    SYNTAX      Integer32 (0..100000)\n\n"
    append t "END\n"
    return $t
}

# One module of `groups` groups; returns {text objects}.
proc dataModule {n groups} {
    set p "ob${n}"
    set mod "olvBenchMod$n"
    set objects 0
    set body ""
    set members {}
    set imports [dict create SNMPv2-SMI {MODULE-IDENTITY OBJECT-TYPE} SNMPv2-CONF {MODULE-COMPLIANCE OBJECT-GROUP} \
                     OLVBENCH-TC-MIB {olvBench}]
    set addImport {{imports name from} {
        upvar $imports d
        if {$name ne "" && ($from ni [dict keys $d] || $name ni [dict get $d $from])} {
            dict lappend d $from $name
        }
    }}
    apply $addImport imports RowStatus SNMPv2-TC

    append body "$mod MODULE-IDENTITY\n    LAST-UPDATED \"202601010000Z\"\n    ORGANIZATION \"Olvarin benchmarks\"\n"
    append body "    CONTACT-INFO \"none\"\n    DESCRIPTION\n        \"Generated benchmark module $n.\"\n"
    append body "    ::= \{ olvBench $n \}\n\n"
    append body "${p}Objects OBJECT IDENTIFIER ::= \{ $mod 1 \}\n"
    append body "${p}Conformance OBJECT IDENTIFIER ::= \{ $mod 2 \}\n"
    append body "${p}Groups OBJECT IDENTIFIER ::= \{ ${p}Conformance 1 \}\n"
    append body "${p}Compliances OBJECT IDENTIFIER ::= \{ ${p}Conformance 2 \}\n\n"
    incr objects 4

    set k 0
    for {set g 1} {$g <= $groups} {incr g} {
        set grp "${p}g$g"
        append body "$grp OBJECT IDENTIFIER ::= \{ ${p}Objects $g \}\n\n"
        incr objects
        for {set s 1} {$s <= $::scalarsPerGroup} {incr s} {
            lassign [syntaxAt [incr k]] clause name from
            apply $addImport imports $name $from
            set access [accessFor $name [expr {$s % 3 == 0 ? "read-write" : "read-only"}]]
            append body [objectType ${grp}s$s $clause $access "Scalar $s of group $g of module $n." $grp $s]
            lappend members ${grp}s$s
            incr objects
        }
        for {set t 1} {$t <= $::tablesPerGroup} {incr t} {
            set arc [expr {$::scalarsPerGroup + $t}]
            set tbl "${grp}t$t"
            set Entry "Ob${n}g${g}t${t}Entry"
            set index "${tbl}Index"
            append body [objectType ${tbl}Table "SEQUENCE OF $Entry" not-accessible \
                             "Table $t of group $g of module $n." $grp $arc]
            append body [objectType ${tbl}Entry $Entry not-accessible "A row of table $t." ${tbl}Table 1 \
                             "    INDEX       \{ $index \}\n"]
            set sequence [list "$index Integer32"]
            apply $addImport imports Integer32 SNMPv2-SMI
            append body [objectType $index "Integer32 (1..2147483647)" not-accessible \
                             "The index of table $t." ${tbl}Entry 1]
            for {set c 2} {$c < $::columnsPerTable} {incr c} {
                lassign [syntaxAt [incr k]] clause name from
                apply $addImport imports $name $from
                set column "${tbl}c$c"
                lappend sequence "$column [sequenceType $clause]"
                append body [objectType $column $clause [accessFor $name read-create] "Column $c of table $t." ${tbl}Entry $c]
                lappend members $column
            }
            set status "${tbl}Status"
            lappend sequence "$status RowStatus"
            append body [objectType $status RowStatus read-create "The status of a row of table $t." \
                             ${tbl}Entry $::columnsPerTable]
            lappend members $status
            append body "$Entry ::= SEQUENCE \{\n    [join $sequence ",\n    "]\n\}\n\n"
            incr objects [expr {2 + $::columnsPerTable}]
        }
    }

    append body "${p}Group OBJECT-GROUP\n    OBJECTS \{ [join $members ",\n        "] \}\n"
    append body "    STATUS current\n    DESCRIPTION\n        \"The objects of module $n.\"\n"
    append body "    ::= \{ ${p}Groups 1 \}\n\n"
    append body "${p}Compliance MODULE-COMPLIANCE\n    STATUS current\n    DESCRIPTION\n"
    append body "        \"Implementing every object of module $n.\"\n    MODULE\n        MANDATORY-GROUPS \{ ${p}Group \}\n"
    append body "    ::= \{ ${p}Compliances 1 \}\n\n"
    incr objects 2

    set text "OLVBENCH-$n-MIB DEFINITIONS ::= BEGIN\n\nIMPORTS\n"
    set clauses {}
    dict for {from names} $imports {
        lappend clauses "    [join $names {, }]\n        FROM $from"
    }
    append text [join $clauses \n] ";\n\n" $body "END\n"
    return [list $text [expr {$objects + 1}]]
}

file mkdir $folder
writeFile [file join $folder OLVBENCH-TC-MIB.txt] [tcModule]
set total 1

# Groups per module so that a module holds about perModule objects; the last
# module takes what is left.
set groupsPerModule [expr {max(1, ($perModule - $perModuleFixed) / $perGroup)}]
set groupsWanted [expr {max(1, ($wanted - 1 + $perGroup / 2) / $perGroup)}]
set n 0
while {$groupsWanted > 0} {
    set groups [expr {min($groupsPerModule, $groupsWanted)}]
    incr groupsWanted -$groups
    lassign [dataModule [incr n] $groups] text count
    writeFile [file join $folder OLVBENCH-$n-MIB.txt] $text
    incr total $count
}
puts "$n modules, $total objects"
puts $total
