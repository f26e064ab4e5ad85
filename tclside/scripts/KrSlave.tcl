# The browser's Tcl slave. Started by the browser as
#     ostrane KrSlave.tcl <port>
# it connects to 127.0.0.1:<port>, where the browser listens, evaluates every
# command it receives at global level and answers each one, in order, until the
# browser closes the connection; then it ends.
#
# The link, both ways UTF-8:
#   command  the command text, then CR LF. Line breaks inside a command text are
#            plain LF, so only CR LF ends a command.
#   reply    one kind byte, the text, then the delimiter "!@#\r\n":
#              "0"  the command's result
#              "1"  the command failed; the text is its error message
#            (kinds "4" and "9", data for a command and data on its own, are the
#            browser's to understand; this slave sends neither).
#
# Every command gets exactly one reply, whatever it does, so that the browser
# pairs replies with commands by their order. A reply text is sent as it stands
# except that it may not break the framing:
#   - a zero character becomes U+FFFD (the browser takes a zero byte as the end
#     of what it received);
#   - the delimiter inside the text loses its CR ("!@#\r\n" becomes "!@#\n").
#
# KrDSlave.tcl, the debug slave, runs this same script with a log channel set.

set KrSlave_dir [file dirname [file normalize [info script]]]

# Tnm, KrPath_rc and KrPath_script. A failure here must not keep the slave from
# answering: the browser waits for a reply to every command it sends, so the
# slave serves anyway and the commands that need Tnm fail one by one.
if {[catch {uplevel #0 [list source [file join $KrSlave_dir init.tcl]]} KrSlave_initError]} {
    if {![info exists KrPath_script]} {
        set KrPath_script $KrSlave_dir
    }
} else {
    set KrSlave_initError ""
}

# Loads one of the browser's scripts from the folder of the scripts.
proc KrSource {file} {
    uplevel #0 [list source [file join $::KrPath_script $file]]
}

namespace eval ::KrSlave {
    # Set by the debug slave before it sources this script: a channel that gets
    # every command and reply.
    variable log
    if {![info exists log]} {
        set log ""
    }
}

proc ::KrSlave::Log {text} {
    variable log
    # A log that fails (a full disk) must not stop the slave.
    if {$log ne ""} {
        catch {
            puts $log $text
            flush $log
        }
    }
}

# Evaluates one command at global level; returns its reply without the delimiter.
proc ::KrSlave::Answer {command} {
    set code [catch {uplevel #0 $command} result]
    switch -- $code {
        0 - 2 { set kind 0 }
        3     { set kind 1; set result {invoked "break" outside of a loop} }
        4     { set kind 1; set result {invoked "continue" outside of a loop} }
        default { set kind 1 }
    }
    return $kind[string map [list \0 \uFFFD "!@#\r\n" "!@#\n"] $result]
}

proc ::KrSlave::Serve {port} {
    set sock [socket 127.0.0.1 $port]
    # Lines end in LF; a CR before it marks the end of a command.
    fconfigure $sock -encoding utf-8 -translation lf -buffering full -blocking 1
    set command ""
    while {[gets $sock line] >= 0} {
        if {[string index $line end] ne "\r"} {
            # A line break inside the command text: keep gathering.
            append command $line \n
            continue
        }
        append command [string range $line 0 end-1]
        Log "> $command"
        set reply [Answer $command]
        Log "< $reply"
        if {[catch {puts -nonewline $sock "$reply!@#\r\n"; flush $sock}]} {
            # The browser has gone while the command ran.
            break
        }
        set command ""
    }
    catch {close $sock}
}

if {$KrSlave_initError ne ""} {
    ::KrSlave::Log "init.tcl failed: $KrSlave_initError"
}
::KrSlave::Serve [lindex $argv 0]
