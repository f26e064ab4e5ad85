#pragma once

// The real thing for the walk and tabulate window tests: one test agent per test
// program, and per test a real main window, which starts the real slave.

#include "browsermain.h"
#include "dialogs.h"
#include "testagent.h"
#include "txtcl.h"
#include "txtclclient.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

class BrowserWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Config = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", Config->path().toUtf8());
        // As the program entry does: the slave's host is found beside the program.
        const QByteArray bin = QCoreApplication::applicationDirPath().toLocal8Bit();
        const QByteArray path = qgetenv("PATH");
        if (path.split(':').value(0) != bin)
            qputenv("PATH", bin + ':' + path);
        try {
            Agent = std::make_unique<TestAgent>();
        } catch (const std::exception& failure) {
            AgentFailure = failure.what();
        }
    }

    static void TearDownTestSuite()
    {
        Agent.reset();
        Config.reset();
    }

    void SetUp() override
    {
        ASSERT_TRUE(Agent != nullptr && Agent->running()) << "the test agent did not start: " << AgentFailure;
        Dialogs::clearHistory();
        Main = std::make_unique<TForm_Olvarin>(QStringList{QStringLiteral("Olvarin")});
        ASSERT_TRUE(waitFor([this] { return Main->XTcl->LinkState() == TLinkState::Connected; }))
            << "the slave did not connect";
        Main->Edit_Target->setText(agentAddress());
        Main->Edit_Community->setText(QStringLiteral("public"));
        Main->Edit_Timeout->setText(QStringLiteral("5"));
        Main->Edit_Retry->setText(QStringLiteral("1"));
    }

    void TearDown() override
    {
        Main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    static QString agentAddress() { return QString::fromStdString(Agent->address()); }

    // Shows an object in the main window as the user would by typing its OID.
    void showObject(const QString& oid) { Main->Edit_OID->setText(oid); }

    // Runs the event loop (slave replies, timers, releases) until done or the deadline.
    static bool waitFor(const std::function<bool()>& done, int milliseconds = 30000)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > milliseconds)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QThread::msleep(1);
        }
        return true;
    }

    // Lets the loop run for a while, for effects that must not come.
    static void settle(int milliseconds)
    {
        (void)waitFor([] { return false; }, milliseconds);
    }

    // Evaluates a command in the slave through a client of the main window's link
    // and returns its result ("!error: ..." for an error reply).
    QString slaveEval(const QString& command)
    {
        TXTclClient client;
        client.setServer(Main->XTcl);
        QString answer;
        bool done = false;
        client.OnResult = [&](QObject*, const QString& r) { answer = r; done = true; };
        client.OnError = [&](QObject*, const QString& e) { answer = QStringLiteral("!error: ") + e; done = true; };
        client.Send(command);
        EXPECT_TRUE(waitFor([&] { return done; })) << command.toStdString();
        return answer;
    }

    // The instances the agent holds below a root, as net-snmp's own walk sees them.
    static QStringList agentWalk(const QString& root)
    {
        QProcess walk;
        walk.start(QStringLiteral("snmpwalk"), {QStringLiteral("-v2c"), QStringLiteral("-c"), QStringLiteral("public"),
                                                QStringLiteral("-On"), QStringLiteral("-Oq"), QStringLiteral("-m"),
                                                QString(), agentAddress(), root});
        walk.waitForFinished(60000);
        QStringList oids;
        for (const QByteArray& line : walk.readAllStandardOutput().split('\n')) {
            const QByteArray oid = line.split(' ').value(0).trimmed();
            // At the end of the agent's MIB the tool repeats the last OID with a note.
            if (oid.startsWith('.') && !line.contains("No more variables left"))
                oids.append(QString::fromLatin1(oid.mid(1)));
        }
        return oids;
    }

    // Writes a value into the agent's system group (community private may).
    static bool agentSetString(const QString& oid, const QString& value)
    {
        QProcess set;
        set.start(QStringLiteral("snmpset"), {QStringLiteral("-v2c"), QStringLiteral("-c"), QStringLiteral("private"),
                                              QStringLiteral("-m"), QString(), agentAddress(), oid,
                                              QStringLiteral("s"), value});
        set.waitForFinished(30000);
        return set.exitStatus() == QProcess::NormalExit && set.exitCode() == 0;
    }

    static int messagesOfKind(Dialogs::Kind kind)
    {
        int count = 0;
        for (const Dialogs::Message& m : Dialogs::history())
            count += m.kind == kind ? 1 : 0;
        return count;
    }

    inline static std::unique_ptr<QTemporaryDir> Config;
    inline static std::unique_ptr<TestAgent> Agent;
    inline static std::string AgentFailure;
    std::unique_ptr<TForm_Olvarin> Main;
};
