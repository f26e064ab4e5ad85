// The slave link under stress and loss: a flood of asynchronous data with a reply of
// one megabyte from the real slave, and a slave that goes away with commands owed.
#include "linktestsupport.h"

#include "dialogs.h"
#include "tclquote.h"

#include <QFileInfo>
#include <QTimer>
#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

using namespace linktest;

namespace {

// The real slave under the launcher, as the browser starts it.
class RealSlaveLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        bin = QCoreApplication::applicationDirPath();
        if (!QFile::exists(bin + QStringLiteral("/ostrane"))
            || !QFile::exists(bin + QStringLiteral("/../share/olvarin/KrSlave.tcl")))
            GTEST_SKIP() << "ostrane or KrSlave.tcl not built";
        path = std::make_unique<ScopedEnv>("PATH", bin.toLocal8Bit() + ':' + qgetenv("PATH"));
        Dialogs::clearHistory();
        xtcl = std::make_unique<TXTcl>();
        xtcl->OnLoaded = [this] {
            (void)xtcl->Eval(QStringLiteral("set KrPath_script ")
                             + TclQuote::word(QFileInfo(bin + QStringLiteral("/../share/olvarin")).canonicalFilePath()));
        };
        client = std::make_unique<TXTclClient>();
        client->setServer(xtcl.get());
        xtcl->Loaded();
        ASSERT_TRUE(waitUntil([this] { return xtcl->LinkState() == TLinkState::Connected; }, 20000));
    }
    void TearDown() override
    {
        client.reset();
        xtcl.reset();
    }

    QString bin;
    std::unique_ptr<ScopedEnv> path;
    std::unique_ptr<TXTcl> xtcl;
    std::unique_ptr<TXTclClient> client;
};

TEST_F(RealSlaveLink, FloodOfAsyncDataAndAMegabyteReplyArriveWholeInOrderWithTheGuiTurning)
{
    // Asynchronous messages come from the slave's own socket, written by a command
    // it evaluates; the one-megabyte result follows them, then a second command's
    // result. Every line of the big result is numbered, so a lost, doubled or
    // reordered piece shows.
    constexpr int Messages = 5000;
    constexpr int Lines = 65536; // 16 bytes each: 1 MiB
    const QString flood =
        QStringLiteral("set s [lindex [chan names sock*] 0]\n"
                       "for {set i 0} {$i < ") + QString::number(Messages) +
        QStringLiteral("} {incr i} {puts -nonewline $s \"9[list $i \"item $i\" {a b}]!@#\\r\\n\"}\n"
                       "flush $s\n"
                       "set r {}\n"
                       "for {set i 0} {$i < ") + QString::number(Lines) +
        QStringLiteral("} {incr i} {append r [format %015d $i] \\n}\n"
                       "set r");

    std::vector<QStringList> async;
    std::vector<QString> results;
    xtcl->OnAsyncData = [&](QObject*, const QStringList& args) { async.push_back(args); };
    client->OnResult = [&](QObject*, const QString& r) { results.push_back(r); };
    client->OnError = [&](QObject*, const QString& e) { results.push_back(QStringLiteral("!error: ") + e); };

    // The GUI's own timer keeps firing while the flood is read: the link reads a
    // little at a time and lets every pending event run between reads.
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longestGap = 0;
    int ticks = 0;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestGap = std::max(longestGap, now - last);
        last = now;
        ++ticks;
    });
    clock.start();
    timer.start();

    client->Send(flood);
    client->Send(QStringLiteral("expr {6*7}"));
    ASSERT_TRUE(waitUntil([&] { return results.size() == 2; }, 120000))
        << async.size() << " asynchronous messages, " << results.size() << " results";
    timer.stop();
    const qint64 took = clock.elapsed();

    ASSERT_EQ(async.size(), size_t(Messages));
    for (int i = 0; i < Messages; ++i)
        ASSERT_EQ(async[size_t(i)], (QStringList{QString::number(i), QStringLiteral("item %1").arg(i),
                                                 QStringLiteral("a b")}))
            << "message " << i;
    const QString& big = results[0];
    ASSERT_EQ(big.size(), Lines * 16) << big.left(200).toStdString();
    for (int i = 0; i < Lines; ++i)
        ASSERT_EQ(QStringView(big).mid(i * 16, 16), QStringLiteral("%1\n").arg(i, 15, 10, QLatin1Char('0')))
            << "line " << i;
    EXPECT_EQ(results[1], QStringLiteral("42"));
    EXPECT_TRUE(xtcl->Waiting().isEmpty());
    EXPECT_TRUE(xtcl->ReceiveBuffer().isEmpty());
    EXPECT_TRUE(Dialogs::history().empty());
    // Generous: a loaded machine may stall the test now and then, but a link that
    // held the GUI until the whole megabyte was in would stop the timer for all of it.
    EXPECT_LT(longestGap, 2000) << "over " << took << " ms";
    EXPECT_GT(ticks, int(took / 20 / 10)) << "over " << took << " ms";
    std::cerr << "[ info ] flood and 1 MiB reply: " << took << " ms, longest timer gap " << longestGap << " ms\n";
}

// The slave played by the test: it goes away while three commands of two clients and
// of the server are owed, one of them by a client that has let go.
class ClosingPeer : public ::testing::Test {
protected:
    FakeHelpersOnPath fakes;
};

TEST_F(ClosingPeer, CommandsOwedWhenTheSlaveGoesGetTheLinksErrorInOrder)
{
    Dialogs::clearHistory();
    TXTcl xtcl;
    TXTclClient c1;
    TXTclClient c2;
    std::vector<std::string> events;
    const auto record = [&](TXTclBase& component, const std::string& name) {
        component.OnResult = [&events, name](QObject*, const QString& t) { events.push_back("R:" + name + ":" + t.toStdString()); };
        component.OnError = [&events, name](QObject*, const QString& t) { events.push_back("E:" + name + ":" + t.toStdString()); };
    };
    record(xtcl, "x");
    record(c1, "c1");
    record(c2, "c2");
    c1.setServer(&xtcl);
    c2.setServer(&xtcl);
    xtcl.OnClose = [&](QObject*) { events.push_back("close"); };
    xtcl.Loaded();
    Peer peer;
    ASSERT_TRUE(peer.Connect(xtcl.Socket()->LocalPort()));
    ASSERT_TRUE(waitUntil([&] { return xtcl.LinkState() == TLinkState::Connected; }));

    c1.Send(QStringLiteral("a"));
    c2.Send(QStringLiteral("b"));
    c1.Send(QStringLiteral("c"));
    xtcl.Send(QStringLiteral("d"));
    // c2's reply is owed to nobody once it lets go; a handler that tries to send on
    // the dead link is refused and shown.
    c2.setServer(nullptr);
    c1.OnError = [&](QObject*, const QString& t) {
        events.push_back("E:c1:" + t.toStdString());
        c1.Send(QStringLiteral("again"));
    };
    ASSERT_EQ(peer.ReadLines(4), QByteArray("a\r\nb\r\nc\r\nd\r\n"));
    peer.Write("0first!@#\r\n0partial"); // the first is answered, the second half-way
    peer.Close();
    ASSERT_TRUE(waitUntil([&] { return !events.empty() && events.back() == "close"; }));
    settle(100);
    const std::string down = "TXTcl.Send - Error in external process";
    EXPECT_EQ(events, (std::vector<std::string>{"R:c1:first", "E:c1:" + down, "E:x:" + down, "close"}));
    EXPECT_TRUE(xtcl.Waiting().isEmpty());
    ASSERT_EQ(Dialogs::history().size(), 1u);
    EXPECT_EQ(Dialogs::history().front().text, QStringLiteral("TXTclSocket.socketOnData - FError - ") + QString::fromStdString(down));
}

} // namespace
