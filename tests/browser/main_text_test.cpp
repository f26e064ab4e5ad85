// Window-free texts of the main window: the request text, arcs, line breaks.
#include "mibtext.h"
#include "snmprequesttext.h"
#include "tcltext.h"
#include "ttcl.h"

#include <gtest/gtest.h>

namespace {
const SnmpRequestText::Parameters agent{QStringLiteral("10.1.2.3"), QStringLiteral("public"), QStringLiteral("5"),
                                        QStringLiteral("3")};
}

TEST(RequestText, OrdinaryRequestsReadAsTheyAlwaysHave)
{
    EXPECT_EQ(SnmpRequestText::Build(agent, QStringLiteral("get"), QStringLiteral("1.3.6.1.2.1.1.3.0"), QString()),
              QStringLiteral("SnmpGlobalRequest 10.1.2.3 public 5 3 get {{1.3.6.1.2.1.1.3.0 }}"));
    EXPECT_EQ(SnmpRequestText::Build(agent, QStringLiteral("getnext"), QStringLiteral("1.3.6.1.2.1.1"), QString()),
              QStringLiteral("SnmpGlobalRequest 10.1.2.3 public 5 3 getnext {{1.3.6.1.2.1.1 }}"));
    EXPECT_EQ(SnmpRequestText::Build(agent, QStringLiteral("set"), QStringLiteral("1.3.6.1.2.1.1.5.0"),
                                     SnmpRequestText::PlainSetValue(QStringLiteral("abc"))),
              QStringLiteral("SnmpGlobalRequest 10.1.2.3 public 5 3 set {{1.3.6.1.2.1.1.5.0  {abc}}}"));
    EXPECT_EQ(SnmpRequestText::Build(agent, QStringLiteral("set"), QStringLiteral("1.3.6.1.2.1.2.2.1.7.3"),
                                     SnmpRequestText::EnumSetValue(QStringLiteral("down "))),
              QStringLiteral("SnmpGlobalRequest 10.1.2.3 public 5 3 set {{1.3.6.1.2.1.2.2.1.7.3 down }}"));
    EXPECT_EQ(SnmpRequestText::Build(agent, QStringLiteral("set"), QStringLiteral("1.3.6.1.2.1.1.5.0"),
                                     SnmpRequestText::PlainSetValue(QString())),
              QStringLiteral("SnmpGlobalRequest 10.1.2.3 public 5 3 set {{1.3.6.1.2.1.1.5.0  {}}}"));
    EXPECT_EQ(SnmpRequestText::EnumLabelScript(QStringLiteral("down (2)")), QStringLiteral("lindex [split {down (2)} (] 0"));
    EXPECT_EQ(SnmpRequestText::EnumLabelScript(QStringLiteral("2")), QStringLiteral("lindex [split {2} (] 0"));
}

TEST(RequestText, EveryFieldAndValueIsOneWordThatCannotRunCode)
{
    // Parsed back by Tcl, each field is exactly the text typed, and the bindings
    // hold the OID and the value unchanged; nothing is substituted.
    TTcl tcl;
    (void)tcl.Eval(QStringLiteral("proc SnmpGlobalRequest args {set ::got $args; return}"));
    (void)tcl.Eval(QStringLiteral("set ::ran 0"));
    const QString nasty = QStringLiteral("[set ::ran 1]");
    struct Case {
        SnmpRequestText::Parameters parameters;
        QString oid;
        QString value;
    };
    const Case cases[] = {
        {{QStringLiteral("10.1.2.3"), QString(), QStringLiteral("5"), QStringLiteral("3")}, QStringLiteral("1.3.6"),
         QStringLiteral("a}b")},
        {{nasty, QStringLiteral("my community"), QStringLiteral("$x"), QStringLiteral("{")}, nasty,
         QStringLiteral("x {y")},
        {agent, QStringLiteral("1.3 }{ 6"), nasty},
        {agent, QStringLiteral("1.3.6"), QStringLiteral("ends in \\")},
    };
    for (const Case& c : cases) {
        const QString text = SnmpRequestText::Build(c.parameters, QStringLiteral("set"), c.oid,
                                                    SnmpRequestText::PlainSetValue(c.value));
        ASSERT_NO_THROW((void)tcl.Eval(text)) << text.toStdString();
        EXPECT_EQ(tcl.Eval(QStringLiteral("llength $::got")), QStringLiteral("6")) << text.toStdString();
        EXPECT_EQ(tcl.Eval(QStringLiteral("lindex $::got 0")), c.parameters.target);
        EXPECT_EQ(tcl.Eval(QStringLiteral("lindex $::got 1")), c.parameters.community);
        EXPECT_EQ(tcl.Eval(QStringLiteral("lindex $::got 2")), c.parameters.timeout);
        EXPECT_EQ(tcl.Eval(QStringLiteral("lindex $::got 3")), c.parameters.retries);
        EXPECT_EQ(tcl.Eval(QStringLiteral("llength [lindex $::got 5]")), QStringLiteral("1"));
        EXPECT_EQ(tcl.Eval(QStringLiteral("lindex [lindex $::got 5] 0 0")), c.oid);
        EXPECT_EQ(tcl.Eval(QStringLiteral("lindex [lindex $::got 5] 0 1")), c.value);
    }
    // An enumeration label that is not a choice goes in as one word too.
    const QString label = tcl.Eval(SnmpRequestText::EnumLabelScript(QStringLiteral("[set ::ran 1] (2)")));
    EXPECT_EQ(label, QStringLiteral("[set ::ran 1] "));
    const QString text = SnmpRequestText::Build(agent, QStringLiteral("set"), QStringLiteral("1.3.6"),
                                                SnmpRequestText::EnumSetValue(label));
    ASSERT_NO_THROW((void)tcl.Eval(text));
    EXPECT_EQ(tcl.Eval(QStringLiteral("lindex [lindex $::got 5] 0 1")), QStringLiteral("[set ::ran 1]"));
    EXPECT_EQ(tcl.Eval(QStringLiteral("set ::ran")), QStringLiteral("0"));
}

TEST(MibText, ArcNumbersLastArcsAndLineBreaks)
{
    const std::pair<const char*, int> good[] = {{"0", 0}, {"42", 42}, {"  7", 7}, {"+3", 3}, {"-5", -5},
                                                {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1}};
    for (const auto& [text, value] : good) {
        int n = -99;
        EXPECT_TRUE(MibText::ArcNumber(QString::fromLatin1(text), n)) << text;
        EXPECT_EQ(n, value) << text;
    }
    for (const char* text : {"", " ", "-", "3 ", "1a", "2147483648", "0x10", "1.2"}) {
        int n = 0;
        EXPECT_FALSE(MibText::ArcNumber(QString::fromLatin1(text), n)) << text;
    }
    EXPECT_EQ(MibText::LastArc(QStringLiteral("1.3.6.1")), QStringLiteral("1"));
    EXPECT_EQ(MibText::LastArc(QStringLiteral("17")), QStringLiteral("17"));
    EXPECT_EQ(MibText::LastArc(QStringLiteral("1.3.")), QString());
    EXPECT_EQ(MibText::NormaliseLineBreaks(QStringLiteral("a\nb\rc\r\nd\n\re")), QStringLiteral("a\nb\nc\nd\n\ne"));
    EXPECT_EQ(MibText::UpperAscii(QStringLiteral("sysUpTime-ä")), QStringLiteral("SYSUPTIME-ä"));
    EXPECT_EQ(TclText::quoted(QStringLiteral("1.3.6.1")), QStringLiteral("\"1.3.6.1\""));
    EXPECT_EQ(TclText::quoted(QStringLiteral("1\" [x]")), QStringLiteral("{1\" [x]}"));
    EXPECT_EQ(TclText::braced(QStringLiteral("up 1")), QStringLiteral("{up 1}"));
}
