// The `mib` command of the Tnm package against the real MIB module set.
#include <gtest/gtest.h>

#include <string>
#include <tcl.h>

namespace {

class TnmInterp {
public:
    explicit TnmInterp() : interp_(Tcl_CreateInterp())
    {
        static const bool found = (Tcl_FindExecutable(nullptr), true);
        (void)found;
        if (Tcl_Init(interp_) != TCL_OK ||
            Tcl_Eval(interp_, "lappend auto_path {" OLVARIN_BINARY_DIR "/lib/olvarin}; package require Tnm") !=
                TCL_OK) {
            ADD_FAILURE() << "loading Tnm: " << Tcl_GetStringResult(interp_);
        }
    }
    ~TnmInterp() { Tcl_DeleteInterp(interp_); }
    TnmInterp(const TnmInterp &) = delete;
    TnmInterp &operator=(const TnmInterp &) = delete;

    // The result; an error fails the test and gives "ERROR: " + message.
    std::string eval(const std::string &script)
    {
        if (Tcl_Eval(interp_, script.c_str()) != TCL_OK) {
            ADD_FAILURE() << script << ": " << Tcl_GetStringResult(interp_);
            return std::string("ERROR: ") + Tcl_GetStringResult(interp_);
        }
        return Tcl_GetStringResult(interp_);
    }
    // The error message; success fails the test.
    std::string error(const std::string &script)
    {
        if (Tcl_Eval(interp_, script.c_str()) == TCL_OK) {
            ADD_FAILURE() << script << " succeeded with " << Tcl_GetStringResult(interp_);
        }
        return Tcl_GetStringResult(interp_);
    }

private:
    Tcl_Interp *interp_;
};

TEST(TnmMib, LookupsAnswerWhatTheBrowserReliesOn)
{
    TnmInterp tcl;
    const struct {
        const char *script;
        const char *expected;
    } cases[] = {
        {"mib oid iso", "1"},
        {"mib name 1", "iso"},
        {"mib oid system", "1.3.6.1.2.1.1"},
        {"mib name 1.3.6.1.2.1.1", "system"},
        {"mib syntax system", ""},
        {"mib access system", "not-accessible"},
        {"mib module system", "SNMPv2-MIB"},
        {"mib oid sysDescr", "1.3.6.1.2.1.1.1"},
        {"mib oid sysDescr.0", "1.3.6.1.2.1.1.1.0"},
        {"mib oid SNMPv2-MIB!sysDescr", "1.3.6.1.2.1.1.1"},
        {"mib oid 1.3.6.1.2.1.1.1.0", "1.3.6.1.2.1.1.1.0"},
        {"mib name 1.3.6.1.2.1.1.1.0", "sysDescr.0"},
        {"mib syntax sysDescr", "DisplayString"},
        {"mib syntax sysDescr.0", "DisplayString"},
        {"mib access sysDescr", "read-only"},
        {"mib access sysContact", "read-write"},
        {"lindex [mib tc sysDescr] 1", "OCTET STRING"},
        {"expr {[string length [mib description sysDescr]] > 20}", "1"},
        {"mib syntax ifTable", "SEQUENCE OF"},
        {"mib syntax ifEntry", "SEQUENCE"},
        {"mib successor ifTable", "1.3.6.1.2.1.2.2.1"},
        {"mib index ifEntry", "ifIndex"},
        {"mib index ifXEntry", "ifIndex"},
        {"mib access ifEntry", "not-accessible"},
        {"mib syntax ifAdminStatus", "INTEGER"},
        {"mib module ifAdminStatus", "IF-MIB"},
        {"mib access ifAdminStatus", "read-write"},
        {"mib tc ifAdminStatus", "INTEGER INTEGER {} {{up 1} {down 2} {testing 3}}"},
        {"mib scan ifAdminStatus down", "2"},
        {"mib scan ifAdminStatus 7", "7"},
        {"mib format ifAdminStatus 1", "up"},
        {"lindex [mib tc ifType] 1", "INTEGER"},
        {"mib syntax ifType", "IANAifType"},
        {"mib syntax ifInOctets", "Counter32"},
        {"mib syntax sysUpTime", "TimeTicks"},
        {"mib syntax sysObjectID", "OBJECT IDENTIFIER"},
        {"lrange [mib tc ifPhysAddress] 0 2", "PhysAddress {OCTET STRING} 1x:"},
        // Arcs below anything known: the nearest known name plus the rest.
        {"mib name 1.3.6.1.4.1.99999.7.1", "enterprises.99999.7.1"},
        {"mib name 1.3.6.1.2.1.1.99", "system.99"},
        {"mib syntax 1.3.6.1.4.1.99999.7.1", ""},
        {"mib successor 1.3.6.1.2.1.1.1.0", ""},
        {"mib label sysDescr.0", "sysDescr"},
        {"mib parent sysDescr.0", "1.3.6.1.2.1.1.1"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(tcl.eval(c.script), c.expected) << c.script;
    }
}

TEST(TnmMib, BadArgumentsAreErrorsThatNameThem)
{
    TnmInterp tcl;
    EXPECT_EQ(tcl.error("mib oid foo"), "unknown MIB node \"foo\"");
    EXPECT_EQ(tcl.error("mib syntax noSuchThing.0"), "unknown MIB node \"noSuchThing.0\"");
    EXPECT_EQ(tcl.error("mib oid NO-SUCH-MIB!sysDescr"), "unknown MIB node \"NO-SUCH-MIB!sysDescr\"");
    EXPECT_EQ(tcl.error("mib name 5.1"), "unknown MIB node \"5.1\"");
    EXPECT_NE(tcl.error("mib name 1.3.x").find("1.3.x"), std::string::npos);
    EXPECT_NE(tcl.error("mib frobnicate 1").find("frobnicate"), std::string::npos);
}

// The browser builds its tree from one "mib name" and one "mib successor" per
// object: every successor must be a child OID, in ascending arc order, and
// every node must have a name.
TEST(TnmMib, WholeTreeWalksInAscendingOrder)
{
    TnmInterp tcl;
    const std::string result = tcl.eval(R"TCL(
        proc walk {oid} {
            set count 1
            if {[mib name $oid] eq ""} { error "no name for $oid" }
            set last -1
            foreach child [mib successor $oid] {
                if {[string first $oid. $child] != 0} { error "$child is no child of $oid" }
                set arc [lindex [split $child .] end]
                if {$arc <= $last} { error "children of $oid out of order: $child" }
                set last $arc
                incr count [walk $child]
            }
            return $count
        }
        walk [mib oid iso]
    )TCL");
    EXPECT_GT(std::stoi(result), 900) << result;
}

TEST(TnmMib, ModuleListsAndNoLoadWarnings)
{
    TnmInterp tcl;
    EXPECT_EQ(tcl.eval("set tnm(mib:errors)"), "");
    const std::string core = tcl.eval("set tnm(mibs:core)");
    EXPECT_NE(core.find("SNMPv2-SMI"), std::string::npos) << core;
    EXPECT_NE(core.find("SNMPv2-TC"), std::string::npos) << core;
    const std::string mibs = tcl.eval("set tnm(mibs)");
    for (const char *module : {"SNMPv2-MIB", "IF-MIB", "SNMP-USER-BASED-SM-MIB", "NET-SNMP-AGENT-MIB", "UCD-SNMP-MIB"}) {
        EXPECT_NE(mibs.find(module), std::string::npos) << module << " not in " << mibs;
    }
    EXPECT_EQ(mibs.find("RFC1158-MIB"), std::string::npos);
    EXPECT_EQ(mibs.find("SNMPv2-SMI"), std::string::npos);
}

// The tree is parsed once per process; every interpreter sees all of it.
TEST(TnmMib, SeveralInterpretersShareTheTree)
{
    TnmInterp first;
    TnmInterp second;
    EXPECT_EQ(first.eval("mib oid ifAdminStatus"), second.eval("mib oid ifAdminStatus"));
    EXPECT_EQ(first.eval("set tnm(mibs)"), second.eval("set tnm(mibs)"));
    {
        TnmInterp third;
        EXPECT_EQ(third.eval("mib name 1.3.6.1.2.1.2.2.1.7.3"), "ifAdminStatus.3");
    }
    EXPECT_EQ(first.eval("mib syntax ifTable"), "SEQUENCE OF");
}

} // namespace
