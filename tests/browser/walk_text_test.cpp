// The window-free texts of the walk and tabulate windows: subtree ends on arc
// boundaries, replies split without evaluation, the session text, and the log file
// written byte for byte.
#include "etclevalexception.h"
#include "snmptext.h"
#include "tclquote.h"
#include "ttcl.h"
#include "walklog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct SubtreeCase {
    const char* oid;
    const char* root;
    bool inside;
};

TEST(WalkText, SubtreeEndsOnArcBoundaries)
{
    const SubtreeCase cases[] = {
        {"1.3.6.1.2.1.1", "1.3.6.1.2.1.1", true},
        {"1.3.6.1.2.1.1.1.0", "1.3.6.1.2.1.1", true},
        {"1.3.6.1.2.1.11.1.0", "1.3.6.1.2.1.1", false}, // shares the characters, not the arcs
        {"1.3.6.1.2.1.10", "1.3.6.1.2.1.1", false},
        {"1.3.6.1.2.1.2.1.0", "1.3.6.1.2.1.1", false},
        {"1.3.6.1.2.1", "1.3.6.1.2.1.1", false},
        {"", "1.3.6.1.2.1.1", false},
        {"1.3.6.1.2.1.2.2.1.1.1", "1.3.6.1.2.1.2.2.1", true},
        {"1.3.6.1.2.1.2.2.10.1", "1.3.6.1.2.1.2.2.1", false},
        {"1.3.6.1.2.1.1.1.0", "", true},
    };
    for (const SubtreeCase& c : cases)
        EXPECT_EQ(SnmpText::inSubtree(QString::fromLatin1(c.oid), QString::fromLatin1(c.root)), c.inside)
            << c.oid << " below " << c.root;
}

TEST(WalkText, EndOfMibViewEndsTheSubtreeEvenInside)
{
    const QString root = QStringLiteral("1.3.6.1.2.1.1");
    EXPECT_FALSE(SnmpText::endsSubtree({QStringLiteral("1.3.6.1.2.1.1.9.0"), QStringLiteral("OCTET STRING"), {}}, root));
    EXPECT_TRUE(SnmpText::endsSubtree({QStringLiteral("1.3.6.1.2.1.1.9.0"), QStringLiteral("endOfMibView"), {}}, root));
    EXPECT_TRUE(SnmpText::endsSubtree({QStringLiteral("1.3.6.1.2.1.11.1.0"), QStringLiteral("Counter32"), {}}, root));
}

TEST(WalkText, RepliesAreSplitNeverEvaluated)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString victim = dir.filePath(QStringLiteral("executed"));
    TTcl tcl;
    tcl.Eval(QStringLiteral("set ::hits 0"));

    // Values an agent may hold, each built into a reply as the slave would list it.
    const QStringList hostile = {
        QStringLiteral("x} ; exec touch ") + victim + QStringLiteral(" ; puts stdout {"),
        QStringLiteral("[exec touch ") + victim + QStringLiteral("]"),
        QStringLiteral("$::hits [incr ::hits]"),
        QStringLiteral("back\\slash {unbalanced"),
        QString(),
    };
    for (const QString& value : hostile) {
        const QString binding = TclQuote::list({QStringLiteral("1.3.6.1.2.1.1.4.0"), QStringLiteral("OCTET STRING"), value});
        const QString reply = TclQuote::list({binding});
        const SnmpText::Binding b = SnmpText::firstBinding(tcl, reply);
        EXPECT_EQ(b.oid, QStringLiteral("1.3.6.1.2.1.1.4.0"));
        EXPECT_EQ(b.syntax, QStringLiteral("OCTET STRING"));
        EXPECT_EQ(b.value, value);
    }
    EXPECT_FALSE(QFile::exists(victim));
    EXPECT_EQ(tcl.Eval(QStringLiteral("set ::hits")), QStringLiteral("0"));

    // The slave's end-of-MIB binding, an empty reply, and a reply that is no list.
    const SnmpText::Binding end = SnmpText::firstBinding(tcl, QStringLiteral("{1.3.6.1.6.3.1 endOfMibView {}}"));
    EXPECT_EQ(end.syntax, QStringLiteral("endOfMibView"));
    EXPECT_TRUE(end.value.isEmpty());
    EXPECT_TRUE(SnmpText::firstBinding(tcl, QString()).oid.isEmpty());
    EXPECT_THROW((void)SnmpText::firstBinding(tcl, QStringLiteral("{1.2 OCTET {x}")), ETclEvalException);
}

TEST(WalkText, SessionCommandCarriesEveryValueAsOneWord)
{
    EXPECT_EQ(SnmpText::sessionCommand(QStringLiteral("127.0.0.1"), QStringLiteral("public"), QStringLiteral("5"),
                                       QStringLiteral("3")),
              QStringLiteral("snmp session -address 127.0.0.1 -community public -timeout 5 -retries 3"));

    TTcl tcl;
    tcl.Eval(QStringLiteral("proc snmp {args} { set ::got $args; return snmp0 }"));
    const QString community = QStringLiteral("my [exec false] $x {");
    EXPECT_EQ(tcl.Eval(SnmpText::sessionCommand(QStringLiteral("10.0.0.1:1161"), community, QStringLiteral("1"),
                                                QStringLiteral("0"))),
              QStringLiteral("snmp0"));
    EXPECT_EQ(tcl.Eval(QStringLiteral("llength $::got")), QStringLiteral("9"));
    EXPECT_EQ(tcl.Eval(QStringLiteral("lindex $::got 4")), community);
}

TEST(WalkText, LogWritesEveryByteOfTheRowAndEmptiesOnReopen)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A file name with a blank, brackets and a brace enters "open" as one word.
    const QString fileName = dir.filePath(QStringLiteral("walk [1] {log}.txt"));
    const QString victim = dir.filePath(QStringLiteral("executed"));
    TTcl tcl;

    const QStringList lines = {
        QStringLiteral("sysContact.0\tOCTET STRING\tx} ; exec touch ") + victim + QStringLiteral(" ; puts stdout {"),
        QStringLiteral("sysName.0\tOCTET STRING\t[exec touch ") + victim + QStringLiteral("] $env(HOME) \\n"),
        QStringLiteral("sysLocation.0\tOCTET STRING\t") + QString::fromUtf8("Zürich – 東京"),
        QStringLiteral("-nonewline"),
        QStringLiteral("Cycle 1 done."),
    };
    QString channel = WalkLog::open(tcl, fileName);
    for (const QString& line : lines)
        WalkLog::writeLine(tcl, channel, line);
    WalkLog::close(tcl, channel);

    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    file.close();
    EXPECT_FALSE(QFile::exists(victim));

    channel = WalkLog::open(tcl, fileName);
    WalkLog::writeLine(tcl, channel, QStringLiteral("Cycle 1 done."));
    WalkLog::close(tcl, channel);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("Cycle 1 done.\n"));

    EXPECT_THROW((void)WalkLog::open(tcl, dir.filePath(QStringLiteral("missing/dir/x.txt"))), ETclEvalException);
}

} // namespace
