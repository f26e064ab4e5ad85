# The browser's debug slave. Started by the browser (in debug mode) as
#     tclsh76 KrDSlave.tcl <port> ?debug file?
# it is the normal slave (KrSlave.tcl) that also writes every command it receives
# ("> " and the command) and every reply it sends ("< ", the kind byte and the
# text, without the delimiter) to the debug file, appending, or to standard
# output when no file is given. The browser puts the debug file on the command
# line unquoted, so a name with blanks arrives as several words: they are joined
# again with one blank.

namespace eval ::KrSlave {
    variable log stdout
}
if {[llength $argv] > 1} {
    set KrDSlave_file [join [lrange $argv 1 end] " "]
    if {[catch {open $KrDSlave_file a} KrDSlave_channel]} {
        puts stdout "cannot open the debug file: $KrDSlave_channel"
    } else {
        set ::KrSlave::log $KrDSlave_channel
    }
}
fconfigure $::KrSlave::log -encoding utf-8
set argv [lrange $argv 0 0]
set argc [llength $argv]

source [file join [file dirname [file normalize [info script]]] KrSlave.tcl]
