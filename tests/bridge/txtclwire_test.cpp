// The wire protocol over a real loopback connection: the test plays the slave and
// writes chosen bytes in chosen splits; the link reads 16 bytes per notification.
#include "linktestsupport.h"

#include "dialogs.h"
#include "terminationrequest.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace linktest;

namespace {

class WireTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Dialogs::clearHistory();
        xtcl = std::make_unique<TXTcl>();
        c1 = std::make_unique<TXTclClient>();
        c2 = std::make_unique<TXTclClient>();
        record(*xtcl, "x");
        record(*c1, "c1");
        record(*c2, "c2");
        xtcl->OnAsyncData = [this](QObject* Sender, const QStringList& args) {
            senders.push_back(Sender);
            events.push_back("A:" + args.join(QLatin1Char('|')).toStdString());
        };
        c1->setServer(xtcl.get());
        c2->setServer(xtcl.get());
        xtcl->Loaded();
        ASSERT_EQ(xtcl->LinkState(), TLinkState::Starting);
        ASSERT_TRUE(peer.Connect(xtcl->Socket()->LocalPort()));
        ASSERT_TRUE(waitUntil([this] { return xtcl->LinkState() == TLinkState::Connected; }));
    }

    void TearDown() override
    {
        peer.Close();
        c1.reset();
        c2.reset();
        xtcl.reset();
    }

    void record(TXTclBase& component, const std::string& name)
    {
        component.OnResult = [this, name](QObject* Sender, const QString& text) {
            senders.push_back(Sender);
            events.push_back("R:" + name + ":" + text.toStdString());
        };
        component.OnError = [this, name](QObject* Sender, const QString& text) {
            senders.push_back(Sender);
            events.push_back("E:" + name + ":" + text.toStdString());
        };
        component.OnData = [this, name](QObject* Sender, const QStringList& args) {
            senders.push_back(Sender);
            events.push_back("D:" + name + ":" + args.join(QLatin1Char('|')).toStdString());
        };
    }

    bool waitEvents(size_t count) { return waitUntil([&] { return events.size() >= count; }); }

    std::vector<QString> shown() const
    {
        std::vector<QString> texts;
        for (const auto& m : Dialogs::history())
            texts.push_back(m.text);
        return texts;
    }

    FakeHelpersOnPath path;
    std::unique_ptr<TXTcl> xtcl;
    std::unique_ptr<TXTclClient> c1;
    std::unique_ptr<TXTclClient> c2;
    Peer peer;
    std::vector<std::string> events;
    std::vector<QObject*> senders;
};

TEST_F(WireTest, CommandsAreFramedWithCrLfAndRepliesPairByOrder)
{
    c1->Send(QStringLiteral("set a {x y}"));
    c2->Send(QStringLiteral("line1\nline2 ") + QChar(0x00E9));
    EXPECT_EQ(peer.ReadLines(2), QByteArray("set a {x y}\r\nline1\nline2 \xC3\xA9\r\n"));
    // Two complete messages in one read, then a result with an empty text.
    xtcl->Send(QStringLiteral("third"));
    peer.Write("0a!@#\r\n0b!@#\r\n");
    peer.Write("0!@#\r\n");
    ASSERT_TRUE(waitEvents(3));
    EXPECT_EQ(events, (std::vector<std::string>{"R:c1:a", "R:c2:b", "R:x:"}));
    for (QObject* sender : senders)
        EXPECT_EQ(sender, xtcl->Socket());
    EXPECT_TRUE(xtcl->Waiting().isEmpty());
    EXPECT_TRUE(xtcl->ReceiveBuffer().isEmpty());
}

TEST_F(WireTest, DelimiterSplitAcrossReadsIsFoundWhenComplete)
{
    // A 16-byte first write ends inside the delimiter: 2+3 and 3+2 splits.
    for (const int head : {2, 3}) {
        SCOPED_TRACE(head);
        events.clear();
        c1->Send(QStringLiteral("cmd"));
        const QByteArray message = QByteArray("0") + QByteArray(15 - head, 'v');
        const QByteArray bytes = message + "!@#\r\n";
        peer.Write(bytes.left(16));
        ASSERT_TRUE(waitUntil([&] { return xtcl->ReceiveBuffer().size() == 16; }));
        settle(50);
        EXPECT_TRUE(events.empty());
        peer.Write(bytes.mid(16));
        ASSERT_TRUE(waitEvents(1));
        EXPECT_EQ(events, (std::vector<std::string>{"R:c1:" + message.mid(1).toStdString()}));
        EXPECT_TRUE(xtcl->ReceiveBuffer().isEmpty());
    }
}

TEST_F(WireTest, LongMessageOverManyReadsIsDispatchedOnceAndDecodedWhole)
{
    // 100 bytes of message (kind, then 99 bytes with two-byte characters, one of
    // them cut by a read boundary) plus the delimiter: seven reads of 16 bytes.
    c1->Send(QStringLiteral("long"));
    QString text = QStringLiteral("0123456789abc");             // 13 bytes after the kind
    text += QString(43, QChar(0x00E9));                         // 86 bytes
    ASSERT_EQ(text.toUtf8().size(), 99);
    peer.Write("0" + text.toUtf8() + "!@#\r\n");
    ASSERT_TRUE(waitEvents(1));
    settle(50);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(QString::fromStdString(events[0]), QStringLiteral("R:c1:") + text);
    EXPECT_TRUE(xtcl->Waiting().isEmpty());
}

TEST_F(WireTest, DataRepliesPrecedeTheResultAndAsyncDataTouchesNoQueue)
{
    c1->Send(QStringLiteral("walk"));
    c2->Send(QStringLiteral("get"));
    peer.Write("4a {b c}!@#\r\n4d!@#\r\n");
    ASSERT_TRUE(waitEvents(2));
    EXPECT_EQ(xtcl->Waiting().size(), 2);
    peer.Write("9{x y} z!@#\r\n4e!@#\r\n0done!@#\r\n");
    ASSERT_TRUE(waitEvents(5));
    EXPECT_EQ(xtcl->Waiting(), QList<TXTclBase*>{c2.get()});
    peer.Write("9!@#\r\n0r2!@#\r\n");
    ASSERT_TRUE(waitEvents(7));
    EXPECT_EQ(events, (std::vector<std::string>{"D:c1:a|b c", "D:c1:d", "A:x y|z", "D:c1:e", "R:c1:done", "A:",
                                                "R:c2:r2"}));
    for (QObject* sender : senders)
        EXPECT_EQ(sender, xtcl->Socket());
}

TEST_F(WireTest, EveryOtherKindIsAnErrorEndingTheOldestCommand)
{
    for (int i = 0; i < 4; ++i)
        c1->Send(QStringLiteral("c"));
    c2->Send(QStringLiteral("c"));
    // An empty message, an unknown kind, a kind with CR LF in its text, a zero byte
    // cutting off the rest of its read.
    peer.Write("!@#\r\n");
    peer.Write("1failed\r\n!@#\r\n");
    peer.Write("Xno!@#\r\n");
    ASSERT_TRUE(waitEvents(3));
    peer.Write(QByteArray("0ok\0lost", 8) + "!@#\r\n");
    settle(100);
    EXPECT_EQ(events.size(), 3u);
    peer.Write("!@#\r\n0last!@#\r\n");
    ASSERT_TRUE(waitEvents(5));
    EXPECT_EQ(events, (std::vector<std::string>{"E:c1:", "E:c1:failed\r\n", "E:c1:no", "R:c1:ok", "R:c2:last"}));
}

TEST_F(WireTest, ReplyWithEmptyQueueIsReportedAndDropped)
{
    peer.Write("0stray!@#\r\n4d!@#\r\n9async!@#\r\n");
    ASSERT_TRUE(waitEvents(1));
    settle(50);
    EXPECT_EQ(shown(), (std::vector<QString>{QStringLiteral("TXTclSocket.socketOnData - List index out of bounds"),
                                             QStringLiteral("TXTclSocket.socketOnData - List index out of bounds")}));
    EXPECT_EQ(Dialogs::history().front().kind, Dialogs::Kind::Error);
    c1->Send(QStringLiteral("after"));
    peer.Write("0fine!@#\r\n");
    ASSERT_TRUE(waitEvents(2));
    EXPECT_EQ(events, (std::vector<std::string>{"A:async", "R:c1:fine"}));
}

TEST_F(WireTest, RaisingHandlersAreShownWithTheirPrefixAndDispatchGoesOn)
{
    const auto raise = [](const char* what) { return [what](auto&&...) { throw Exception(QString::fromLatin1(what)); }; };
    xtcl->OnAsyncData = raise("a");
    c1->OnData = raise("d");
    c1->OnResult = raise("r");
    c2->OnError = [](QObject*, const QString&) { throw ETclEvalException(QStringLiteral("e")); };
    c1->Send(QStringLiteral("one"));
    c2->Send(QStringLiteral("two"));
    c1->Send(QStringLiteral("three"));
    // All in one write: every message after a raising handler is still dispatched.
    peer.Write("9x!@#\r\n4y!@#\r\n0z!@#\r\nEw!@#\r\n0fine!@#\r\n");
    ASSERT_TRUE(waitUntil([&] { return Dialogs::history().size() >= 4; }));
    EXPECT_EQ(shown(), (std::vector<QString>{QStringLiteral("TXTclSocket.socketOnData - FAsyncData - a"),
                                             QStringLiteral("TXTclSocket.socketOnData - FData - d"),
                                             QStringLiteral("TXTclSocket.socketOnData - FResult - r"),
                                             QStringLiteral("TXTclSocket.socketOnData - FError - e"),
                                             QStringLiteral("TXTclSocket.socketOnData - FResult - r")}));
    EXPECT_TRUE(xtcl->Waiting().isEmpty());
}

TEST_F(WireTest, OutstandingRepliesOfAnUnboundClientAreConsumedSilently)
{
    enum class Action { Unbind, RebindSame, Destroy };
    for (const Action action : {Action::Unbind, Action::RebindSame, Action::Destroy}) {
        SCOPED_TRACE(int(action));
        events.clear();
        auto gone = std::make_unique<TXTclClient>();
        record(*gone, "gone");
        gone->setServer(xtcl.get());
        gone->Send(QStringLiteral("a"));
        c1->Send(QStringLiteral("b"));
        gone->Send(QStringLiteral("c"));
        if (action == Action::Unbind)
            gone->setServer(nullptr);
        else if (action == Action::RebindSame)
            gone->setServer(xtcl.get());
        else
            gone.reset();
        EXPECT_EQ(xtcl->Waiting(), (QList<TXTclBase*>{nullptr, c1.get(), nullptr}));
        if (gone) {
            gone->setServer(xtcl.get());
            gone->Send(QStringLiteral("d"));
        }
        peer.Write("4data!@#\r\n0ra!@#\r\n0rb!@#\r\n1ec!@#\r\n");
        if (gone)
            peer.Write("0rd!@#\r\n");
        ASSERT_TRUE(waitEvents(gone ? 2 : 1));
        settle(50);
        if (gone)
            EXPECT_EQ(events, (std::vector<std::string>{"R:c1:rb", "R:gone:rd"}));
        else
            EXPECT_EQ(events, (std::vector<std::string>{"R:c1:rb"}));
        EXPECT_TRUE(xtcl->Waiting().isEmpty());
        EXPECT_TRUE(Dialogs::history().empty());
        (void)peer.ReadLines(gone ? 4 : 3);
    }
}

TEST_F(WireTest, ResultHandlerSendingACommandIsAnsweredAfterEarlierOnes)
{
    c1->OnResult = [this](QObject*, const QString& text) {
        events.push_back("R:c1:" + text.toStdString());
        if (text == QLatin1String("a"))
            c1->Send(QStringLiteral("C"));
    };
    c1->Send(QStringLiteral("A"));
    c2->Send(QStringLiteral("B"));
    EXPECT_EQ(peer.ReadLines(2), QByteArray("A\r\nB\r\n"));
    peer.Write("0a!@#\r\n");
    EXPECT_EQ(peer.ReadLines(1), QByteArray("C\r\n"));
    peer.Write("0b!@#\r\n0c!@#\r\n");
    ASSERT_TRUE(waitEvents(3));
    EXPECT_EQ(events, (std::vector<std::string>{"R:c1:a", "R:c2:b", "R:c1:c"}));
}

TEST_F(WireTest, HandlerPumpingMessagesDispatchesLaterRepliesNestedAndNothingTwice)
{
    // "0b" is already in the receive buffer when a's handler starts pumping; the
    // nested notification that brings "0c" must dispatch b before c, and the outer
    // dispatch loop must not see either again.
    c1->OnResult = [this](QObject*, const QString& text) {
        events.push_back("R:c1:" + text.toStdString());
        peer.Write("0c!@#\r\n");
        EXPECT_TRUE(waitEvents(3));
        events.push_back("end");
    };
    c1->Send(QStringLiteral("a"));
    c2->Send(QStringLiteral("b"));
    c2->Send(QStringLiteral("c"));
    peer.Write("0a!@#\r\n0b!@#\r\n");
    ASSERT_TRUE(waitEvents(4));
    settle(50);
    EXPECT_EQ(events, (std::vector<std::string>{"R:c1:a", "R:c2:b", "R:c2:c", "end"}));
    EXPECT_TRUE(xtcl->Waiting().isEmpty());
    EXPECT_TRUE(xtcl->ReceiveBuffer().isEmpty());
}

TEST_F(WireTest, SlaveClosingTakesTheLinkDownOnce)
{
    int closes = 0;
    QObject* closeSender = nullptr;
    xtcl->OnClose = [&](QObject* Sender) {
        ++closes;
        closeSender = Sender;
    };
    c1->Send(QStringLiteral("pending"));
    // What the slave wrote before closing is still delivered.
    peer.Write("0last!@#\r\n");
    peer.Close();
    ASSERT_TRUE(waitUntil([&] { return closes > 0; }));
    settle(100);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(closeSender, xtcl->Socket());
    EXPECT_EQ(events, (std::vector<std::string>{"R:c1:last"}));
    EXPECT_EQ(xtcl->LinkState(), TLinkState::Down);
    EXPECT_FALSE(xtcl->Socket()->ExtTclList().contains(xtcl.get()));
    for (TXTclBase* sender : std::initializer_list<TXTclBase*>{xtcl.get(), c1.get()}) {
        try {
            sender->Send(QStringLiteral("more"));
            ADD_FAILURE() << "Send on a closed link did not raise";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("TXTcl.Send - Error in external process"));
        }
    }
    EXPECT_TRUE(xtcl->Waiting().isEmpty());
    EXPECT_TRUE(Dialogs::history().empty());
}

TEST_F(WireTest, ResetConnectionFailsAWriteWithTheSystemsDescription)
{
    int closes = 0;
    xtcl->OnClose = [&](QObject*) { ++closes; };
    peer.Reset();
    QThread::msleep(50); // the reset arrives; no notification has run yet
    try {
        xtcl->Send(QStringLiteral("x"));
        ADD_FAILURE() << "write on a reset connection did not raise";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Connection reset by peer"));
    }
    EXPECT_TRUE(xtcl->Waiting().isEmpty()); // a failed write queues no reply
    ASSERT_TRUE(waitUntil([&] { return closes > 0; }));
    EXPECT_EQ(xtcl->LinkState(), TLinkState::Down);
}

TEST_F(WireTest, PendingTerminationRequestLeavesTheDataUnread)
{
    c1->Send(QStringLiteral("x"));
    TerminationRequest::Post();
    peer.Write("0r!@#\r\n");
    settle(200);
    TerminationRequest::Reset();
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(xtcl->ReceiveBuffer().isEmpty());
    EXPECT_EQ(xtcl->Waiting().size(), 1);
}

} // namespace
