// The slave going away under a running browser, and a slave that is late: the
// windows say what happened and the browser lives on; what was sent before the
// slave connected is answered in order once it does.
#include "walk_fixture.h"

#include "browsertabulate.h"
#include "browserwalk.h"
#include "processtable.h"
#include "txtclsocket.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>

#include <csignal>

namespace {

const QString LinkDown = QStringLiteral("TXTcl.Send - Error in external process");

class SlaveFaultTest : public BrowserWindowTest {
protected:
    TForm_MibWalk* openWalk(const QString& oid)
    {
        showObject(oid);
        const auto before = Main->findChildren<TForm_MibWalk*>();
        Main->Button_Walk->click();
        for (TForm_MibWalk* w : Main->findChildren<TForm_MibWalk*>())
            if (!before.contains(w)) {
                EXPECT_TRUE(waitFor([w] { return w->isVisible(); })) << "no session reply";
                return w;
            }
        ADD_FAILURE() << "no walk window opened";
        return nullptr;
    }
    static QTreeWidget* list(QWidget* w) { return w->findChild<QTreeWidget*>(QStringLiteral("ListView")); }
    static QPushButton* start(QWidget* w) { return w->findChild<QPushButton*>(QStringLiteral("Button_Start")); }

    static std::vector<QString> texts(Dialogs::Kind kind)
    {
        std::vector<QString> out;
        for (const Dialogs::Message& m : Dialogs::history())
            if (m.kind == kind)
                out.push_back(m.text);
        return out;
    }
};

TEST_F(SlaveFaultTest, SlaveKilledDuringAWalkIsReportedAndTheBrowserLivesOn)
{
    TForm_MibWalk* walk = openWalk(QStringLiteral("1.3.6.1.2.1"));
    ASSERT_NE(walk, nullptr);
    walk->findChild<QSpinBox*>(QStringLiteral("SpinEdit_Repetitions"))->setValue(0);
    start(walk)->click();
    ASSERT_TRUE(waitFor([walk] { return list(walk)->topLevelItemCount() >= 20; }));

    const std::vector<pid_t> slaves = processtable::slavesOnPort(Main->XTcl->Socket()->LocalPort().toStdString());
    ASSERT_EQ(slaves.size(), 1u) << "the main window's slave is not in the process table";
    ASSERT_EQ(::kill(slaves.front(), SIGKILL), 0);
    ASSERT_TRUE(waitFor([&] { return Main->XTcl->LinkState() == TLinkState::Down; }));
    EXPECT_TRUE(waitFor([&] { return processtable::ended(slaves.front()); }, 5000));

    // The Get Next that was under way is answered with the link's error: shown
    // once, in the status text and an information box, and Start is enabled again.
    ASSERT_TRUE(waitFor([walk] { return start(walk)->isEnabled(); }, 5000)) << "the walk waits for ever";
    EXPECT_EQ(walk->StatusText(), LinkDown);
    EXPECT_EQ(texts(Dialogs::Kind::Information), std::vector<QString>{LinkDown});
    EXPECT_TRUE(texts(Dialogs::Kind::Error).empty());
    const int rows = list(walk)->topLevelItemCount();
    EXPECT_GE(rows, 20);
    EXPECT_TRUE(Main->XTcl->Waiting().isEmpty());
    Dialogs::clearHistory();

    // From now on every send fails at once through the default error display: a Get
    // in the main window, and a new Start, which keeps its button disabled.
    Main->Edit_OID->setText(QStringLiteral("1.3.6.1.2.1.1.1.0"));
    Main->Button_Get->click();
    ASSERT_EQ(Dialogs::history().size(), 1u);
    EXPECT_EQ(Dialogs::history().front().kind, Dialogs::Kind::Error);
    EXPECT_EQ(Dialogs::history().front().caption, QStringLiteral("MIB Browser"));
    EXPECT_EQ(Dialogs::history().front().text, LinkDown);
    start(walk)->click();
    EXPECT_EQ(texts(Dialogs::Kind::Error), (std::vector<QString>{LinkDown, LinkDown}));
    EXPECT_FALSE(start(walk)->isEnabled());
    EXPECT_EQ(list(walk)->topLevelItemCount(), rows);

    // The windows still work as windows: the tree, the panel, closing the walk.
    Main->Edit_OID->setText(QStringLiteral("1.3.6.1.2.1.1.5"));
    EXPECT_EQ(Main->Edit_Name->text(), QStringLiteral("sysName"));
    walk->findChild<QPushButton*>(QStringLiteral("Button_Close"))->click();
    EXPECT_TRUE(waitFor([this] { return Main->findChildren<TForm_MibWalk*>().isEmpty(); }, 5000));
    // Closing still tries to destroy the walk's session, and says the link is down.
    EXPECT_EQ(texts(Dialogs::Kind::Error), (std::vector<QString>{LinkDown, LinkDown, LinkDown}));
}

TEST_F(SlaveFaultTest, SlaveKilledWhileATableIsPolledStallsItWithOneMessage)
{
    showObject(QStringLiteral("1.3.6.1.2.1.2.2"));
    Main->Button_Tabulate->click();
    auto* tab = Main->findChild<TForm_MibTabulate*>();
    ASSERT_NE(tab, nullptr);
    ASSERT_TRUE(waitFor([tab] { return tab->StatusText() == QStringLiteral("Done"); }));
    tab->findChild<QLineEdit*>(QStringLiteral("Edit_Pollrate"))->setText(QStringLiteral("1"));
    tab->findChild<QCheckBox*>(QStringLiteral("CheckBox_Poll"))->setChecked(true);
    settle(1200); // a pass or two of the poll

    const std::vector<pid_t> slaves = processtable::slavesOnPort(Main->XTcl->Socket()->LocalPort().toStdString());
    ASSERT_EQ(slaves.size(), 1u);
    ASSERT_EQ(::kill(slaves.front(), SIGKILL), 0);
    ASSERT_TRUE(waitFor([&] { return Main->XTcl->LinkState() == TLinkState::Down; }));
    settle(3500); // three ticks or more

    // Whether the slave went during a pass (its request gets the link's error) or
    // between passes (the next tick cannot send), the user is told once and the
    // window stays Stalled; the ticks that follow send nothing and show nothing.
    ASSERT_EQ(Dialogs::history().size(), 1u);
    EXPECT_EQ(Dialogs::history().front().text, LinkDown);
    EXPECT_FALSE(tab->findChild<QPushButton*>(QStringLiteral("Button_Refresh"))->isEnabled());
    EXPECT_TRUE(Main->XTcl->Waiting().isEmpty());
}

// A slave that connects late: the Get clicks of the user meanwhile wait in the link's
// queue and are each answered, in the order clicked, once it has connected.
TEST(SlaveLate, AThousandGetsBeforeTheSlaveConnectsAreAnsweredInOrder)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    const QByteArray bin = QCoreApplication::applicationDirPath().toLocal8Bit();
    if (qgetenv("PATH").split(':').value(0) != bin)
        qputenv("PATH", bin + ':' + qgetenv("PATH"));
    TestAgent agent;
    Dialogs::clearHistory();

    auto main = std::make_unique<TForm_Olvarin>(QStringList{
        QStringLiteral("Olvarin"), QStringLiteral("-address"), QString::fromStdString(agent.address()),
        QStringLiteral("-retries"), QStringLiteral("1")});
    // Creation ran no event loop: the slave may have called, but nobody has answered.
    ASSERT_EQ(main->XTcl->LinkState(), TLinkState::Starting);
    const int startup = int(main->XTcl->Waiting().size());

    std::vector<QString> replies;
    const TXTclResultProc shown = main->XTclClient_Req->OnResult;
    main->XTclClient_Req->OnResult = [&](QObject* sender, const QString& result) {
        replies.push_back(result);
        shown(sender, result);
    };
    // sysDescr.0 .. sysLocation.0 (arcs 1 to 6), over and over.
    constexpr int Clicks = 1000;
    for (int i = 0; i < Clicks; ++i) {
        main->Edit_OID->setText(QStringLiteral("1.3.6.1.2.1.1.%1.0").arg(i % 6 + 1));
        main->Button_Get->click();
    }
    ASSERT_EQ(main->XTcl->LinkState(), TLinkState::Starting);
    EXPECT_EQ(main->XTcl->PendingCount(), startup + Clicks);

    const bool answered = [&] {
        QElapsedTimer clock;
        clock.start();
        while (replies.size() < size_t(Clicks) && clock.elapsed() < 120000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return replies.size() == size_t(Clicks);
    }();
    ASSERT_TRUE(answered) << replies.size() << " of " << Clicks << " answered";
    for (int i = 0; i < Clicks; ++i) {
        const QString oid = QStringLiteral("1.3.6.1.2.1.1.%1.0").arg(i % 6 + 1);
        ASSERT_TRUE(replies[size_t(i)].startsWith(QStringLiteral("{") + oid + QLatin1Char(' ')))
            << "reply " << i << ": " << replies[size_t(i)].toStdString();
    }
    EXPECT_TRUE(main->XTcl->Waiting().isEmpty());
    EXPECT_TRUE(Dialogs::history().empty()) << Dialogs::history().front().text.toStdString();
    // The panel shows the last one clicked: sysContact.0 (999 % 6 + 1 = 4).
    EXPECT_EQ(main->Edit_Name->text(), QStringLiteral("sysContact.0"));
    main.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace
