// The `snmp` command of the Tnm package against the real test agent.
#include "testagent.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <regex>
#include <string>
#include <tcl.h>

namespace {

class TnmSnmp : public ::testing::Test {
protected:
    static void SetUpTestSuite() { agent_ = std::make_unique<TestAgent>(); }
    static void TearDownTestSuite() { agent_.reset(); }

    void SetUp() override
    {
        static const bool found = (Tcl_FindExecutable(nullptr), true);
        (void)found;
        interp_ = Tcl_CreateInterp();
        ASSERT_EQ(Tcl_Init(interp_), TCL_OK) << Tcl_GetStringResult(interp_);
        ASSERT_EQ(Tcl_Eval(interp_, "lappend auto_path {" OLVARIN_BINARY_DIR "/lib/olvarin}; package require Tnm"),
                  TCL_OK)
            << Tcl_GetStringResult(interp_);
        Tcl_SetVar(interp_, "agent", agent_->address().c_str(), TCL_GLOBAL_ONLY);
    }
    void TearDown() override { Tcl_DeleteInterp(interp_); }

    std::string eval(const std::string &script)
    {
        if (Tcl_Eval(interp_, script.c_str()) != TCL_OK) {
            ADD_FAILURE() << script << ": " << Tcl_GetStringResult(interp_);
            return std::string("ERROR: ") + Tcl_GetStringResult(interp_);
        }
        return Tcl_GetStringResult(interp_);
    }
    std::string error(const std::string &script)
    {
        if (Tcl_Eval(interp_, script.c_str()) == TCL_OK) {
            ADD_FAILURE() << script << " succeeded with " << Tcl_GetStringResult(interp_);
        }
        return Tcl_GetStringResult(interp_);
    }

    static std::unique_ptr<TestAgent> agent_;
    Tcl_Interp *interp_ = nullptr;
};

std::unique_ptr<TestAgent> TnmSnmp::agent_;

TEST_F(TnmSnmp, SessionOptionsComeBackAsGiven)
{
    eval("set s [snmp session -address $agent]");
    EXPECT_EQ(eval("$s cget -address"), agent_->address());
    EXPECT_EQ(eval("$s cget -community"), "public");
    EXPECT_EQ(eval("$s cget -timeout"), "5");
    EXPECT_EQ(eval("$s cget -retries"), "3");
    EXPECT_EQ(eval("$s cget -version"), "SNMPv2c");
    eval("$s configure -timeout 2 -retries 1 -community private");
    EXPECT_EQ(eval("list [$s cget -timeout] [$s cget -retries] [$s cget -community]"), "2 1 private");
    EXPECT_NE(error("$s configure -version SNMPv9").find("SNMPv9"), std::string::npos);
    EXPECT_NE(error("$s configure -address {}").find("-address"), std::string::npos);
    EXPECT_TRUE(std::regex_match(eval("snmp session"), std::regex("snmp[0-9]+")));
    eval("$s destroy");
    EXPECT_EQ(eval("info commands $s"), "");
}

TEST_F(TnmSnmp, GetAndGetNextAnswerBindingLists)
{
    eval("set s [snmp session -address $agent]");
    const std::string reply = eval("$s get {{1.3.6.1.2.1.1.1.0 }}");
    EXPECT_EQ(eval("llength {" + reply + "}"), "1");
    EXPECT_EQ(eval("lrange [lindex {" + reply + "} 0] 0 1"), "1.3.6.1.2.1.1.1.0 {OCTET STRING}");
    EXPECT_EQ(eval("lindex [lindex [$s getnext 1.3.6.1.2.1.1.1] 0] 0"), "1.3.6.1.2.1.1.1.0");
    EXPECT_EQ(eval("lindex [lindex [$s getnext sysDescr.0] 0] 0"), "1.3.6.1.2.1.1.2.0");

    // Values as an operator reads them, several bindings in one request.
    eval("set r [$s get {sysObjectID.0 sysUpTime.0 ifAdminStatus.1 ifType.1 1.3.6.1.2.1.1.9.9.9}]");
    EXPECT_EQ(eval("lindex $r 0 1"), "OBJECT IDENTIFIER");
    EXPECT_TRUE(std::regex_match(eval("lindex $r 0 2"), std::regex(R"(1\.3\.6\.1\.4\.1\.8072(\.\d+)+)")));
    EXPECT_EQ(eval("lindex $r 1 1"), "TimeTicks");
    EXPECT_TRUE(std::regex_match(eval("lindex $r 1 2"), std::regex(R"(\d+d \d\d:\d\d:\d\d\.\d\d)")));
    EXPECT_EQ(eval("lrange [lindex $r 2] 1 2"), "INTEGER up");
    EXPECT_EQ(eval("lindex $r 3 2"), "softwareLoopback");
    EXPECT_EQ(eval("lindex $r 4"), "1.3.6.1.2.1.1.9.9.9 noSuchObject {}");

    // Column list of a table window: one binding per column, in order.
    EXPECT_EQ(eval("llength [$s getnext \"[mib successor ifEntry]\"]"), eval("llength [mib successor ifEntry]"));
    EXPECT_EQ(eval("llength [$s getbulk 0 3 {1.3.6.1.2.1.1}]"), "3");
}

TEST_F(TnmSnmp, SetRoundTripKeepsTheValueByteForByte)
{
    const std::string value = "ops {team} [room 4] $HOME \"night\" back\\slash {unbalanced  end ";
    Tcl_SetVar(interp_, "value", value.c_str(), TCL_GLOBAL_ONLY);
    eval("set s [snmp session -address $agent -community private]");
    EXPECT_EQ(eval("lindex [$s set [list [list 1.3.6.1.2.1.1.4.0 $value]]] 0 2"), value);
    // Read back through another session, with the read-only community.
    EXPECT_EQ(eval("lindex [[snmp session -address $agent] get 1.3.6.1.2.1.1.4.0] 0 2"), value);
    // The browser's own texts: {oid  {value}} and {oid syntax value}.
    eval("$s set {{1.3.6.1.2.1.1.6.0  {lab 2}}}");
    EXPECT_EQ(eval("lindex [$s get sysLocation.0] 0 2"), "lab 2");
    eval("$s set {{sysName.0 {OCTET STRING} probe}}");
    EXPECT_EQ(eval("lindex [$s get sysName.0] 0 2"), "probe");
}

TEST_F(TnmSnmp, RefusedAndMalformedSetsAreErrors)
{
    eval("set s [snmp session -address $agent -community private -timeout 2 -retries 0]");
    // The label with its trailing blank is taken; the agent refuses the write
    // outside the system group.
    const std::string refused = error("$s set {{1.3.6.1.2.1.2.2.1.7.1 up }}");
    EXPECT_EQ(refused.rfind("noAccess", 0), 0U) << refused;
    EXPECT_NE(refused.find("1.3.6.1.2.1.2.2.1.7.1"), std::string::npos) << refused;
    EXPECT_NE(refused.find(agent_->address()), std::string::npos) << refused;
    // Checked before anything is sent.
    EXPECT_NE(error("$s set {{1.3.6.1.2.1.2.2.1.7.1 sideways}}").find("does not fit"), std::string::npos);
    EXPECT_NE(error("$s set {{1.3.6.1.4.1.99999.1.0 x}}").find("syntax"), std::string::npos);
    // Read-only community.
    eval("set p [snmp session -address $agent -timeout 2 -retries 0]");
    const std::string readOnly = error("$p set {{1.3.6.1.2.1.1.4.0 x}}");
    EXPECT_EQ(readOnly.rfind("noAccess", 0), 0U) << readOnly;
}

TEST_F(TnmSnmp, NoAnswerIsNoResponseWithinTheTimeout)
{
    const std::string dead = "127.0.0.1:" + std::to_string(TestAgent::freePort());
    for (const std::string &setup : {std::string("snmp session -address $agent -community wrong -timeout 1 -retries 1"),
                                     "snmp session -address " + dead + " -timeout 1 -retries 2"}) {
        eval("set s [" + setup + "]");
        const auto started = std::chrono::steady_clock::now();
        const std::string message = error("$s get {sysDescr.0}");
        const auto elapsed = std::chrono::steady_clock::now() - started;
        EXPECT_EQ(message.rfind("noResponse", 0), 0U) << setup << ": " << message;
        EXPECT_LT(elapsed, std::chrono::milliseconds(2000)) << setup;
    }
}

// An SNMPv2c agent ends its MIB with endOfMibView, an SNMPv1 agent with a
// noSuchName error: both come back as the requested OID with endOfMibView.
TEST_F(TnmSnmp, EndOfTheMibForSnmpV1AndV2c)
{
    for (const char *version : {"SNMPv1", "SNMPv2c"}) {
        eval(std::string("set s [snmp session -address $agent -version ") + version + "]");
        EXPECT_EQ(eval("$s getnext {{1.3.6.1.9.9 }}"), "{1.3.6.1.9.9 endOfMibView {}}") << version;
        EXPECT_EQ(eval("lindex [$s getnext {1.3.6.1.2.1.1.1 1.3.6.1.9.9}] 0 0"), "1.3.6.1.2.1.1.1.0") << version;
        EXPECT_EQ(eval("lindex [$s getnext {1.3.6.1.2.1.1.1 1.3.6.1.9.9}] 1"), "1.3.6.1.9.9 endOfMibView {}")
            << version;
    }
}

TEST_F(TnmSnmp, SnmpV3AuthPrivGet)
{
    eval(std::string("set s [snmp session -address $agent -version SNMPv3 -user ") + TestAgent::kUser +
         " -securityLevel authPriv -authProtocol SHA -authPassword " + TestAgent::kAuthPassword +
         " -privProtocol AES -privPassword " + TestAgent::kPrivPassword + "]");
    EXPECT_EQ(eval("lrange [lindex [$s get sysDescr.0] 0] 0 1"), "1.3.6.1.2.1.1.1.0 {OCTET STRING}");
    eval("$s configure -privPassword not-the-password -timeout 2 -retries 0");
    EXPECT_NE(eval("catch {$s get sysDescr.0}"), "0");
}

} // namespace
