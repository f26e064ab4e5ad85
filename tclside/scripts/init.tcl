# Start-up script of every Olvarin interpreter: the browser runs it in each of its
# interpreters right after Tcl_Init, and the slave scripts source it. It finds
# everything relative to its own file, never through the running executable (the
# launcher hands Tcl a fixed, made-up program name), so it works the same in the
# build tree and in an installation:
#   <prefix>/share/olvarin/      this script, the slave scripts, resource defaults
#   <prefix>/lib/olvarin/Tnm/    the Tnm package
# (the build puts the way from the one folder to the other in below: the library
# folder of an installation may be a multiarch one).
#
# It sets
#   KrPath_script  the folder of the browser's scripts (this folder)
#   KrPath_rc      the user's own, writable folder of the resource files
# and loads Tnm last, so that a failure to load it (reported to the caller as
# this script's error) still leaves both paths set.
#
# It runs for every interpreter, so it stays cheap: a few file tests, no scan
# of the package folders.

apply {{} {
    set share [file dirname [file normalize [info script]]]
    set ::KrPath_script $share

    set lib [file normalize [file join $share {@OLVARIN_LIB_FROM_SHARE@}]]
    if {[lsearch -exact $::auto_path $lib] < 0} {
        # First, so that our Tnm wins over any other package of that name.
        set ::auto_path [linsert $::auto_path 0 $lib]
    }
    # Register our Tnm at once: left to "package require", it would first read
    # the index of every package on auto_path, several milliseconds each time.
    set dir [file join $lib Tnm]
    if {[file isfile [file join $dir pkgIndex.tcl]]} {
        source [file join $dir pkgIndex.tcl]
    }

    # The resource file lives where the user may write: the browser's recovery
    # overwrites Olvarin.rc with Olvarin.rc.default when it fails to load.
    # XDG_CONFIG_HOME counts only when absolute (as the XDG rules say).
    set base ""
    if {[info exists ::env(XDG_CONFIG_HOME)]
            && [file pathtype $::env(XDG_CONFIG_HOME)] eq "absolute"} {
        set base $::env(XDG_CONFIG_HOME)
    } elseif {[info exists ::env(HOME)] && $::env(HOME) ne ""} {
        set base [file join $::env(HOME) .config]
    }
    set rc [file join $base olvarin]
    set own [file join $rc Olvarin.rc]
    if {$base ne ""} {
        # The browser and its slave start together and both run this: every
        # step tolerates the other process doing it at the same moment, and a
        # file appears only whole (written aside, then renamed into place).
        catch {file mkdir $rc}
        set tmp [file join $rc .seed[pid]]
        # Olvarin.rc is the user's: seeded once, never overwritten here.
        if {![file exists $own]} {
            catch {
                file copy -force [file join $share Olvarin.rc] $tmp
                file attributes $tmp -permissions u+rw
                file rename $tmp $own
            }
        }
        # Olvarin.rc.default follows the installed one, so that a recovery
        # restores the defaults of the version that runs. It gets the installed
        # file's time stamp, which keeps this test a cheap look at sizes and times.
        set installed [file join $share Olvarin.rc.default]
        set default [file join $rc Olvarin.rc.default]
        catch {
            if {![file exists $default] || [file size $default] != [file size $installed]
                    || [file mtime $default] != [file mtime $installed]} {
                file copy -force $installed $tmp
                file attributes $tmp -permissions u+rw
                file mtime $tmp [file mtime $installed]
                file rename -force $tmp $default
            }
        }
        catch {file delete $tmp}
    }
    if {![file isfile $own] || ![file isfile [file join $rc Olvarin.rc.default]]} {
        # No writable home (a service account, a read-only home): the browser
        # still starts with the installed resource files; only a recovery, which
        # must write, will fail and say so.
        set rc $share
    }
    set ::KrPath_rc $rc
}}

package require Tnm
