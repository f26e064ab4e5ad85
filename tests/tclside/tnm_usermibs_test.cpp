// Users add modules with net-snmp's MIBDIRS and MIBS conventions; a module
// that does not load is reported in tnm(mib:errors), never on stderr. The MIB
// tree is parsed once per process, so each case runs in a tclsh of its own.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path &path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class TnmUserMibs : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "tnm-usermibs-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        fs::create_directories(dir_ / "mibs");
        std::ofstream(dir_ / "mibs" / "OLVARIN-TEST-MIB.txt") << R"(
OLVARIN-TEST-MIB DEFINITIONS ::= BEGIN
IMPORTS MODULE-IDENTITY, OBJECT-TYPE, Integer32, enterprises FROM SNMPv2-SMI;
olvarinTest MODULE-IDENTITY
    LAST-UPDATED "202401010000Z" ORGANIZATION "tests" CONTACT-INFO "tests"
    DESCRIPTION "A module of the tests." ::= { enterprises 424242 }
olvarinCounter OBJECT-TYPE SYNTAX Integer32 MAX-ACCESS read-only STATUS current
    DESCRIPTION "A test object." ::= { olvarinTest 1 }
END
)";
        std::ofstream(dir_ / "broken.txt") << "BROKEN-MIB DEFINITIONS ::= BEGIN\n"
                                              "IMPORTS nothingHere FROM NO-SUCH-MIB;\n"
                                              "brokenThing OBJECT IDENTIFIER ::= { nothingHere 1 }\nEND\n";
        std::ofstream(dir_ / "probe.tcl") << "lappend auto_path {" OLVARIN_BINARY_DIR "/lib/olvarin}\n"
                                             "package require Tnm\n"
                                             "catch {mib oid olvarinCounter} oid\n"
                                             "puts $oid\n"
                                             "puts [expr {[lsearch $tnm(mibs) OLVARIN-TEST-MIB] >= 0}]\n"
                                             "puts [mib oid sysDescr]\n"
                                             "puts [llength $tnm(mib:errors)]\n"
                                             "puts [join $tnm(mib:errors) |]\n";
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the probe with the given environment prefix; returns its stdout
    // lines joined, and its stderr in `errors`.
    std::string probe(const std::string &env, std::string &errors)
    {
        const std::string command = env + " SNMP_PERSISTENT_DIR='" + (dir_ / "persist").string() + "' tclsh8.6 '" +
                                    (dir_ / "probe.tcl").string() + "' >'" + (dir_ / "out").string() + "' 2>'" +
                                    (dir_ / "err").string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        errors = readFile(dir_ / "err");
        return readFile(dir_ / "out");
    }

    fs::path dir_;
};

TEST_F(TnmUserMibs, AddedFolderLoadsBesideTheDefaults)
{
    std::string errors;
    const std::string out = probe("MIBDIRS='+" + (dir_ / "mibs").string() + "'", errors);
    EXPECT_EQ(out, "1.3.6.1.4.1.424242.1\n1\n1.3.6.1.2.1.1.1\n0\n\n");
    EXPECT_EQ(errors, "");
}

TEST_F(TnmUserMibs, ModuleThatFailsIsReportedInTheTnmArrayOnly)
{
    std::string errors;
    const std::string out = probe("MIBS='+" + (dir_ / "broken.txt").string() + "'", errors);
    std::istringstream lines(out);
    std::string oid, found, sysDescr, count, messages;
    std::getline(lines, oid);
    std::getline(lines, found);
    std::getline(lines, sysDescr);
    std::getline(lines, count);
    std::getline(lines, messages);
    EXPECT_EQ(oid, "unknown MIB node \"olvarinCounter\"");
    EXPECT_EQ(sysDescr, "1.3.6.1.2.1.1.1");
    EXPECT_NE(count, "0");
    EXPECT_NE(messages.find("NO-SUCH-MIB"), std::string::npos) << messages;
    EXPECT_EQ(errors, "");
}

} // namespace
