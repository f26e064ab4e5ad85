#pragma once
// Shared by the main window's tests: a private resource folder for every window,
// and waiting for the slave's replies with the event loop running.

#include "browsermain.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <memory>
#include <ostream>

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace maintest {

// Processes events until the condition holds or the time is up; the condition's
// last value.
inline bool waitUntil(const std::function<bool()>& condition, int milliseconds = 15000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

// The user's resource folder of the Tcl side (init.tcl seeds XDG_CONFIG_HOME/olvarin
// from the installed files): one per test, so that no test sees another's file.
class ConfigHome {
public:
    ConfigHome()
    {
        qputenv("XDG_CONFIG_HOME", FDir.path().toUtf8());
        // As the program entry does: the slave's host is found beside the program.
        const QByteArray bin = QCoreApplication::applicationDirPath().toLocal8Bit();
        const QByteArray path = qgetenv("PATH");
        if (path.split(':').value(0) != bin)
            qputenv("PATH", bin + ':' + path);
    }
    [[nodiscard]] QString rcFolder() const { return FDir.path() + QStringLiteral("/olvarin"); }
    [[nodiscard]] QString path() const { return FDir.path(); }

private:
    QTemporaryDir FDir;
};

} // namespace maintest

// ---------------------------------------------------------------------------
// The real main window against the real slave and a real agent.

#include "dialogs.h"
#include "terminationrequest.h"
#include "testagent.h"
#include "txtcl.h"
#include "txtclclient.h"

#include <QLineEdit>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace maintest {

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        try {
            Agent = std::make_unique<TestAgent>();
        } catch (const std::exception& failure) {
            AgentFailure = failure.what();
        }
    }
    static void TearDownTestSuite() { Agent.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(Agent != nullptr && Agent->running()) << "the test agent did not start: " << AgentFailure;
        Dialogs::clearHistory();
        TerminationRequest::Reset();
    }

    void TearDown() override
    {
        Main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        TerminationRequest::Reset();
    }

    static QString agentAddress() { return QString::fromStdString(Agent->address()); }

    // Opens the main window as the program would with these arguments, and waits
    // until the slave has answered the start-up's own commands.
    void open(const QStringList& arguments)
    {
        QStringList commandLine{QStringLiteral("Olvarin")};
        commandLine += arguments;
        Main = std::make_unique<TForm_Olvarin>(commandLine);
        ASSERT_TRUE(waitUntil([this] {
            return Main->XTcl->LinkState() == TLinkState::Connected && Main->XTcl->Waiting().isEmpty();
        })) << "the slave did not connect and answer";
    }
    void openOnAgent(const QString& community = QStringLiteral("public"))
    {
        open({QStringLiteral("-address"), agentAddress(), QStringLiteral("-community"), community,
              QStringLiteral("-retries"), QStringLiteral("1")});
    }

    // Waits until every request of the main window has had its reply.
    bool waitForReplies() { return waitUntil([this] { return Main->XTcl->Waiting().isEmpty(); }); }

    // A command evaluated in the slave through a client of the main window's link;
    // "!error: ..." for an error reply.
    QString slaveEval(const QString& command)
    {
        TXTclClient client;
        client.setServer(Main->XTcl);
        QString answer;
        bool done = false;
        client.OnResult = [&](QObject*, const QString& r) { answer = r; done = true; };
        client.OnError = [&](QObject*, const QString& e) { answer = QStringLiteral("!error: ") + e; done = true; };
        client.Send(command);
        EXPECT_TRUE(waitUntil([&] { return done; })) << command.toStdString();
        return answer;
    }

    // The tree node of an object, by its OID.
    QTreeWidgetItem* node(const QString& oid) { return Main->FindNodeByOid(oid); }

    inline static std::unique_ptr<TestAgent> Agent;
    inline static std::string AgentFailure;
    ConfigHome Home;
    std::unique_ptr<TForm_Olvarin> Main;
};

} // namespace maintest
