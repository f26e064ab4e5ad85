// The slave link server and its request clients: start-up of the slave process, the
// shared listening socket, registration, and the real slave under the launcher.
#include "linktestsupport.h"

#include "detachedprocess.h"
#include "dialogs.h"
#include "tclquote.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <ifaddrs.h>
#include <memory>
#include <sys/wait.h>
#include <vector>

using namespace linktest;

namespace {

QString raised(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("<nothing raised>");
}

std::vector<QString> shownTexts()
{
    std::vector<QString> texts;
    for (const auto& m : Dialogs::history())
        texts.push_back(m.text);
    return texts;
}

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override { Dialogs::clearHistory(); }
    FakeHelpersOnPath path;
};

TEST_F(ServerTest, CommandsSentWhileStartingGoFirstAfterTheAccept)
{
    TXTcl xtcl;
    TXTclClient client;
    client.setServer(&xtcl);
    std::vector<QString> results;
    client.OnResult = [&](QObject*, const QString& r) { results.push_back(r); };
    xtcl.OnConnect = [&](QObject* Sender) {
        EXPECT_EQ(Sender, xtcl.Socket());
        EXPECT_EQ(xtcl.PendingCount(), 0);
        client.Send(QStringLiteral("third"));
        throw Exception(QStringLiteral("connect handler failed"));
    };
    EXPECT_EQ(raised([&] { client.Send(QStringLiteral("too early")); }),
              QStringLiteral("TXTcl.Send - Error in external process"));
    EXPECT_TRUE(xtcl.Waiting().isEmpty());

    xtcl.Loaded();
    ASSERT_EQ(xtcl.LinkState(), TLinkState::Starting);
    client.Send(QStringLiteral("first"));
    client.Send(QStringLiteral("second"));
    EXPECT_EQ(xtcl.PendingCount(), 2);

    Peer peer;
    ASSERT_TRUE(peer.Connect(xtcl.Socket()->LocalPort()));
    EXPECT_EQ(peer.ReadLines(3), QByteArray("first\r\nsecond\r\nthird\r\n"));
    EXPECT_EQ(xtcl.LinkState(), TLinkState::Connected);
    // The connect handler's error is shown with its message alone.
    EXPECT_EQ(shownTexts(), std::vector<QString>{QStringLiteral("connect handler failed")});
    peer.Write("01!@#\r\n02!@#\r\n03!@#\r\n");
    ASSERT_TRUE(waitUntil([&] { return results.size() == 3; }));
    EXPECT_EQ(results, (std::vector<QString>{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
}

TEST_F(ServerTest, ConnectionsGoToTheEarliestWaitingComponentAndStrayOnesAreReported)
{
    TXTcl first;
    TXTcl second;
    ASSERT_EQ(first.Socket(), second.Socket());
    second.Loaded();
    first.Loaded();
    EXPECT_EQ(raised([&] { first.Socket()->RegisterExtTcl(&first); }),
              QStringLiteral("TXTclSocket.RegisterExtTcl extTcl is already registered"));

    Peer a;
    Peer b;
    Peer stray;
    ASSERT_TRUE(a.Connect(first.Socket()->LocalPort()));
    ASSERT_TRUE(waitUntil([&] { return second.LinkState() == TLinkState::Connected; }));
    EXPECT_EQ(first.LinkState(), TLinkState::Starting);
    ASSERT_TRUE(b.Connect(first.Socket()->LocalPort()));
    ASSERT_TRUE(waitUntil([&] { return first.LinkState() == TLinkState::Connected; }));

    // Nobody waits any more: the stray connection is reported at the notification's
    // boundary, and so is its close.
    ASSERT_TRUE(stray.Connect(first.Socket()->LocalPort()));
    ASSERT_TRUE(waitUntil([] { return !Dialogs::history().empty(); }));
    stray.Close();
    ASSERT_TRUE(waitUntil([] { return Dialogs::history().size() >= 2; }));
    ASSERT_EQ(Dialogs::history().size(), 2u);
    EXPECT_EQ(Dialogs::history()[0].caption, QStringLiteral("MIB Browser"));
    EXPECT_EQ(shownTexts(), (std::vector<QString>{QStringLiteral("TXTclSocket.serverOnAccept - no client is waiting"),
                                                  QStringLiteral("TXTclSocket.serverOnClose - cannot find connected client")}));
}

TEST_F(ServerTest, EleventhComponentGetsASocketOfItsOwn)
{
    std::vector<std::unique_ptr<TXTcl>> ten;
    for (int i = 0; i < 10; ++i) {
        ten.push_back(std::make_unique<TXTcl>());
        ten.back()->Loaded();
    }
    TXTclSocket* shared = ten.front()->Socket();
    const QString port = shared->LocalPort();
    for (const auto& x : ten)
        EXPECT_EQ(x->Socket(), shared);
    EXPECT_EQ(shared->ExtTclList().size(), 10);

    TXTcl eleventh;
    ASSERT_NE(eleventh.Socket(), shared);
    EXPECT_NE(eleventh.Socket()->LocalPort(), port);
    EXPECT_EQ(TXTclSocket::SharedSocket(), eleventh.Socket());
    EXPECT_EQ(shared->LocalPort(), port);

    // Leaving never strands a component that has not registered yet.
    TXTcl twelfth;
    ten.clear();
    EXPECT_EQ(twelfth.Socket(), eleventh.Socket());
}

TEST_F(ServerTest, DestroyingTheServerDetachesItsClients)
{
    auto xtcl = std::make_unique<TXTcl>();
    std::vector<std::unique_ptr<TXTclClient>> clients;
    for (int i = 0; i < 3; ++i) {
        clients.push_back(std::make_unique<TXTclClient>());
        clients.back()->setServer(xtcl.get());
    }
    EXPECT_EQ(raised([&] { xtcl->registerClient(clients[0].get()); }),
              QStringLiteral("TXTcl.registerClient - clint already registered"));
    xtcl.reset();
    for (const auto& client : clients) {
        EXPECT_EQ(client->Server(), nullptr);
        EXPECT_EQ(raised([&] { client->Send(QStringLiteral("x")); }),
                  QStringLiteral("TXTclClient.Send - Server property not set.  Cannot send."));
    }
}

TEST_F(ServerTest, CommandLineOfTheNormalAndTheDebugSlave)
{
    TXTcl xtcl;
    const QString port = xtcl.Socket()->LocalPort();
    struct Case {
        bool debug;
        const char* debugFile;
        const char* scriptDir; // nullptr: KrPath_script unset
        QString expected;
    };
    const std::vector<Case> cases = {
        {false, "", nullptr, "ostrane \"KrSlave.tcl\" " + port},
        {false, "ignored.log", "/opt/o lv", "ostrane \"/opt/o lv/KrSlave.tcl\" " + port},
        {true, "  \t ", nullptr, "tclsh76 \"KrDSlave.tcl\" " + port},
        {true, " dbg.log", "/s", "tclsh76 \"/s/KrDSlave.tcl\" " + port + "  dbg.log"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected.toStdString());
        xtcl.Debug = c.debug;
        xtcl.DebugFile = QString::fromLatin1(c.debugFile);
        (void)xtcl.Eval(QStringLiteral("unset -nocomplain KrPath_script"));
        if (c.scriptDir != nullptr)
            (void)xtcl.Eval(QStringLiteral("set KrPath_script ") + TclQuote::word(QString::fromLatin1(c.scriptDir)));
        EXPECT_EQ(xtcl.Socket()->CommandLine(&xtcl), c.expected);
    }
}

TEST_F(ServerTest, SlaveStartsDetachedWithItsArgumentsAndNoInheritedDescriptors)
{
    QTemporaryDir dir;
    // A descriptor of ours that is inheritable: the slave must not get it.
    const QString marker = dir.filePath(QStringLiteral("marker"));
    const int inheritable = ::open(marker.toLocal8Bit().constData(), O_CREAT | O_RDWR, 0600);
    ASSERT_GE(inheritable, 0);
    const QString fds = dir.filePath(QStringLiteral("fds"));
    const QString args = dir.filePath(QStringLiteral("args"));
    ScopedEnv fdsEnv("OLVARIN_FDS_FILE", fds.toLocal8Bit());
    ScopedEnv argsEnv("OLVARIN_ARGS_FILE", args.toLocal8Bit());

    TXTcl xtcl;
    xtcl.Debug = true;
    xtcl.DebugFile = QStringLiteral("dbg.log");
    xtcl.OnLoaded = [&] { (void)xtcl.Eval(QStringLiteral("set KrPath_script {/a dir}")); };
    xtcl.Loaded();
    ::close(inheritable);
    EXPECT_EQ(xtcl.LinkState(), TLinkState::Starting);

    ASSERT_TRUE(waitUntil([&] { return QFile(args).size() > 0 && QFile(fds).size() > 0; }));
    QFile argsFile(args);
    ASSERT_TRUE(argsFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(argsFile.readAll(), "/a dir/KrDSlave.tcl\n" + xtcl.Socket()->LocalPort().toLatin1() + "\ndbg.log\n");
    QFile fdsFile(fds);
    ASSERT_TRUE(fdsFile.open(QIODevice::ReadOnly));
    const QByteArray listing = fdsFile.readAll();
    EXPECT_FALSE(listing.contains(marker.toLocal8Bit())) << listing.constData();
    EXPECT_FALSE(listing.contains("socket:")) << listing.constData();
    // The intermediate child was reaped and the slave is not ours: nothing to wait for.
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(ServerTest, SlaveThatCannotBeStartedLeavesTheLinkDown)
{
    QTemporaryDir dir;
    // Found on PATH but not executable by the system: exec itself fails.
    QFile broken(dir.filePath(QStringLiteral("ostrane")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("#!/nonexistent/interpreter\n");
    broken.close();
    broken.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    ScopedEnv onlyHere("PATH", dir.path().toLocal8Bit());

    for (const bool debug : {false, true}) { // tclsh76 is not there at all
        SCOPED_TRACE(debug);
        TXTcl xtcl;
        xtcl.Debug = debug;
        EXPECT_EQ(raised([&] { xtcl.Loaded(); }),
                  QStringLiteral("TXTclSocket.ExecProcess: cannot launch external process"));
        EXPECT_EQ(xtcl.LinkState(), TLinkState::Down);
        EXPECT_TRUE(xtcl.Socket()->ExtTclList().contains(&xtcl));
    }
    EXPECT_FALSE(DetachedProcess::Start({QStringLiteral("no-such-program-here")}, true));
}

TEST_F(ServerTest, ListensOnLoopbackOnly)
{
    TXTcl xtcl;
    const uint16_t port = static_cast<uint16_t>(xtcl.Socket()->LocalPort().toUInt());
    ASSERT_NE(port, 0);
    ifaddrs* list = nullptr;
    ASSERT_EQ(::getifaddrs(&list), 0);
    int tried = 0;
    for (ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET)
            continue;
        sockaddr_in address = *reinterpret_cast<const sockaddr_in*>(i->ifa_addr);
        if ((ntohl(address.sin_addr.s_addr) >> 24) == 127)
            continue;
        address.sin_port = htons(port);
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        EXPECT_NE(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        ++tried;
    }
    ::freeifaddrs(list);
    if (tried == 0)
        GTEST_SKIP() << "no IPv4 address besides loopback";
}

TEST(RealSlave, AnswersUnderTheLauncher)
{
    const QString bin = QCoreApplication::applicationDirPath();
    if (!QFile::exists(bin + QStringLiteral("/ostrane"))
        || !QFile::exists(bin + QStringLiteral("/../share/olvarin/KrSlave.tcl")))
        GTEST_SKIP() << "ostrane or KrSlave.tcl not built";
    // As the browser does at start-up: its own folder first on PATH.
    ScopedEnv path("PATH", bin.toLocal8Bit() + ':' + qgetenv("PATH"));
    Dialogs::clearHistory();

    TXTcl xtcl;
    xtcl.OnLoaded = [&] {
        (void)xtcl.Eval(QStringLiteral("set KrPath_script ")
                        + TclQuote::word(QFileInfo(bin + QStringLiteral("/../share/olvarin")).canonicalFilePath()));
    };
    TXTclClient client;
    client.setServer(&xtcl);
    std::vector<QString> results;
    std::vector<QString> errors;
    client.OnResult = [&](QObject*, const QString& r) { results.push_back(r); };
    client.OnError = [&](QObject*, const QString& e) { errors.push_back(e); };
    xtcl.Loaded();
    client.Send(QStringLiteral("expr {6*7}"));
    client.Send(QStringLiteral("no_such_command"));
    ASSERT_TRUE(waitUntil([&] { return results.size() + errors.size() >= 2; }, 20000));
    EXPECT_EQ(results, std::vector<QString>{QStringLiteral("42")});
    EXPECT_EQ(errors, std::vector<QString>{QStringLiteral("invalid command name \"no_such_command\"")});
    EXPECT_TRUE(Dialogs::history().empty());
}

} // namespace
