// The walk window against the real slave and a real agent: cycles, counters, the
// log file, the purge, hostile agent values, errors and closing mid-walk.
#include "walk_fixture.h"

#include "browserwalk.h"

#include <QCheckBox>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>

namespace {

const QString SystemOid = QStringLiteral("1.3.6.1.2.1.1");
const QString AllCyclesDone = QStringLiteral("All cycles done");

class WalkWindowTest : public BrowserWindowTest {
protected:
    // Clicks Walk in the main window and returns the window it opened, once the
    // session reply has shown it.
    TForm_MibWalk* openWalk(const QString& oid)
    {
        showObject(oid);
        const auto before = Main->findChildren<TForm_MibWalk*>();
        Main->Button_Walk->click();
        TForm_MibWalk* walk = nullptr;
        for (TForm_MibWalk* w : Main->findChildren<TForm_MibWalk*>())
            if (!before.contains(w))
                walk = w;
        EXPECT_NE(walk, nullptr);
        if (walk == nullptr)
            return nullptr;
        EXPECT_FALSE(walk->isVisible()) << "shown before its session exists";
        EXPECT_TRUE(waitFor([walk] { return walk->isVisible(); })) << "no session reply";
        return walk;
    }

    static QTreeWidget* list(TForm_MibWalk* w) { return w->findChild<QTreeWidget*>(QStringLiteral("ListView")); }
    static QPushButton* start(TForm_MibWalk* w) { return w->findChild<QPushButton*>(QStringLiteral("Button_Start")); }
    static QSpinBox* repetitions(TForm_MibWalk* w)
    {
        return w->findChild<QSpinBox*>(QStringLiteral("SpinEdit_Repetitions"));
    }

    static void logTo(TForm_MibWalk* w, const QString& fileName)
    {
        w->findChild<QCheckBox*>(QStringLiteral("CheckBox_LogToFile"))->setChecked(true);
        w->findChild<QLineEdit*>(QStringLiteral("Edit_Filename"))->setText(fileName);
    }

    static bool runToEnd(TForm_MibWalk* w, int milliseconds = 60000)
    {
        start(w)->click();
        return waitFor([w] { return w->StatusText() == AllCyclesDone && start(w)->isEnabled(); }, milliseconds);
    }

    // The rows from `from` on, as the log writes them.
    static QByteArray rowsAsLog(TForm_MibWalk* w, int from = 0)
    {
        QString text;
        QTreeWidget* rows = list(w);
        for (int i = from; i < rows->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = rows->topLevelItem(i);
            QString line = row->text(0);
            for (int c = 1; c < row->columnCount(); ++c)
                line += QLatin1Char('\t') + row->text(c);
            text += line + QLatin1Char('\n');
        }
        return text.toUtf8();
    }

    static int cycleRows(TForm_MibWalk* w)
    {
        int count = 0;
        QTreeWidget* rows = list(w);
        for (int i = 0; i < rows->topLevelItemCount(); ++i)
            count += rows->topLevelItem(i)->text(0).endsWith(QStringLiteral(" done.")) ? 1 : 0;
        return count;
    }

    static QByteArray fileBytes(const QString& fileName)
    {
        QFile file(fileName);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
};

TEST_F(WalkWindowTest, WalksTheSystemGroupOnceAndCountsTheEndingReply)
{
    const QStringList instances = agentWalk(SystemOid);
    ASSERT_GT(instances.size(), 3);

    TForm_MibWalk* walk = openWalk(SystemOid);
    ASSERT_NE(walk, nullptr);
    EXPECT_EQ(walk->windowTitle(), QStringLiteral("MIB Walk - ") + agentAddress() + QStringLiteral(" - system"));
    EXPECT_EQ(repetitions(walk)->value(), 1);
    ASSERT_TRUE(runToEnd(walk));

    QTreeWidget* rows = list(walk);
    ASSERT_EQ(rows->topLevelItemCount(), instances.size() + 1);
    EXPECT_EQ(rows->topLevelItem(0)->text(0), QStringLiteral("sysDescr.0"));
    EXPECT_EQ(rows->topLevelItem(0)->text(1), QStringLiteral("OCTET STRING"));
    EXPECT_FALSE(rows->topLevelItem(0)->text(2).isEmpty());
    for (int i = 0; i < instances.size(); ++i)
        EXPECT_TRUE(rows->topLevelItem(i)->text(0).startsWith(QStringLiteral("sys"))) << i;
    EXPECT_EQ(rows->topLevelItem(rows->topLevelItemCount() - 1)->text(0), QStringLiteral("Cycle 1 done."));
    EXPECT_EQ(rows->topLevelItem(rows->topLevelItemCount() - 1)->columnCount(), 1);
    EXPECT_TRUE(Dialogs::history().empty());
}

TEST_F(WalkWindowTest, EmptySubtreeGivesOnlyTheCycleRow)
{
    // sysORIndex is not accessible: the agent has no instance below it.
    TForm_MibWalk* walk = openWalk(QStringLiteral("1.3.6.1.2.1.1.9.1.1"));
    ASSERT_NE(walk, nullptr);
    ASSERT_TRUE(runToEnd(walk));
    ASSERT_EQ(list(walk)->topLevelItemCount(), 1);
    EXPECT_EQ(list(walk)->topLevelItem(0)->text(0), QStringLiteral("Cycle 1 done."));
}

TEST_F(WalkWindowTest, EndOfTheAgentsMibEndsTheCycle)
{
    // vacmViewTreeFamilyStatus is the agent's last column: past its last instance
    // the agent answers endOfMibView, with the OID asked for, still inside the root.
    const QString lastColumn = QStringLiteral("1.3.6.1.6.3.16.1.5.2.1.6");
    const QStringList instances = agentWalk(lastColumn);
    ASSERT_FALSE(instances.isEmpty());

    TForm_MibWalk* walk = openWalk(lastColumn);
    ASSERT_NE(walk, nullptr);
    repetitions(walk)->setValue(2);
    ASSERT_TRUE(runToEnd(walk, 20000));
    EXPECT_EQ(list(walk)->topLevelItemCount(), 2 * (instances.size() + 1));
    EXPECT_EQ(cycleRows(walk), 2);
    EXPECT_TRUE(Dialogs::history().empty());
}

TEST_F(WalkWindowTest, ThreeCyclesLoggedByteForByteClosedAndEmptiedByANewStart)
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("walk log [1].txt"));
    TForm_MibWalk* walk = openWalk(SystemOid);
    ASSERT_NE(walk, nullptr);
    logTo(walk, fileName);
    repetitions(walk)->setValue(3);
    ASSERT_TRUE(runToEnd(walk));

    EXPECT_EQ(cycleRows(walk), 3);
    EXPECT_EQ(fileBytes(fileName), rowsAsLog(walk));
    auto* interp = walk->findChild<TXTclClient*>(QStringLiteral("XTclClient_Req"));
    EXPECT_EQ(interp->Eval(QStringLiteral("file channels file*")), QString()) << "log left open";

    const int before = list(walk)->topLevelItemCount();
    repetitions(walk)->setValue(1);
    ASSERT_TRUE(runToEnd(walk));
    EXPECT_EQ(fileBytes(fileName), rowsAsLog(walk, before));
    EXPECT_TRUE(fileBytes(fileName).endsWith("Cycle 1 done.\n"));
}

TEST_F(WalkWindowTest, RepetitionsZeroLoopsUntilLoweredDuringTheWalk)
{
    TForm_MibWalk* walk = openWalk(QStringLiteral("1.3.6.1.2.1.1.9"));
    ASSERT_NE(walk, nullptr);
    repetitions(walk)->setValue(0);
    start(walk)->click();
    ASSERT_TRUE(waitFor([walk] { return cycleRows(walk) >= 3; }));
    EXPECT_FALSE(start(walk)->isEnabled());

    repetitions(walk)->setValue(1);
    const int seen = cycleRows(walk);
    ASSERT_TRUE(waitFor([walk] { return walk->StatusText() == AllCyclesDone; }));
    EXPECT_TRUE(start(walk)->isEnabled());
    EXPECT_GE(cycleRows(walk), seen);
    EXPECT_LE(cycleRows(walk), seen + 1);
    const QTreeWidget* rows = list(walk);
    EXPECT_EQ(rows->topLevelItem(rows->topLevelItemCount() - 1)->text(0),
              QStringLiteral("Cycle %1 done.").arg(cycleRows(walk)));
}

TEST_F(WalkWindowTest, ListIsPurgedAboveAThousandRows)
{
    // The installed software table: one row per package, five columns.
    const QString entry = QStringLiteral("1.3.6.1.2.1.25.6.3.1");
    const int instances = static_cast<int>(agentWalk(entry).size());
    if (instances <= 1000)
        GTEST_SKIP() << "the agent holds only " << instances << " instances below " << entry.toStdString();

    TForm_MibWalk* walk = openWalk(entry);
    ASSERT_NE(walk, nullptr);
    ASSERT_TRUE(runToEnd(walk, 300000));

    int expected = 0;
    for (int i = 0; i < instances; ++i) {
        if (expected > 1000)
            expected = 1;
        ++expected;
    }
    ++expected;
    const QTreeWidget* rows = list(walk);
    EXPECT_EQ(rows->topLevelItemCount(), expected);
    EXPECT_EQ(rows->topLevelItem(0)->text(0), QStringLiteral("... old entries purged"));
    EXPECT_EQ(rows->topLevelItem(0)->columnCount(), 1);
    EXPECT_EQ(rows->topLevelItem(rows->topLevelItemCount() - 1)->text(0), QStringLiteral("Cycle 1 done."));
}

TEST_F(WalkWindowTest, HostileAgentValueIsLoggedIntactAndNeverRuns)
{
    QTemporaryDir dir;
    const QString victim = dir.filePath(QStringLiteral("executed"));
    const QString value = QStringLiteral("x} ; exec touch ") + victim + QStringLiteral(" ; puts stdout { [exec touch ")
        + victim + QStringLiteral("] $::env(HOME) \\{");
    ASSERT_TRUE(agentSetString(QStringLiteral("1.3.6.1.2.1.1.4.0"), value));

    const QString fileName = dir.filePath(QStringLiteral("mibwalk.txt"));
    TForm_MibWalk* walk = openWalk(SystemOid);
    ASSERT_NE(walk, nullptr);
    logTo(walk, fileName);
    ASSERT_TRUE(runToEnd(walk));

    const QByteArray expectedLine = (QStringLiteral("sysContact.0\tOCTET STRING\t") + value + QLatin1Char('\n')).toUtf8();
    EXPECT_TRUE(fileBytes(fileName).contains(expectedLine)) << fileBytes(fileName).toStdString();
    EXPECT_EQ(fileBytes(fileName), rowsAsLog(walk));
    EXPECT_FALSE(QFile::exists(victim));
    EXPECT_TRUE(Dialogs::history().empty());
}

TEST_F(WalkWindowTest, WrongCommunityFailsTheWalkWithAnInformationBox)
{
    // The session carries the main window's community; a wrong one is refused by
    // the agent, whose silence comes back as an error reply.
    Main->Edit_Community->setText(QStringLiteral("not-the-community"));
    Main->Edit_Timeout->setText(QStringLiteral("1"));
    Main->Edit_Retry->setText(QStringLiteral("0"));
    TForm_MibWalk* walk = openWalk(SystemOid);
    ASSERT_NE(walk, nullptr);
    start(walk)->click();
    ASSERT_TRUE(waitFor([] { return !Dialogs::history().empty(); }));
    ASSERT_EQ(Dialogs::history().size(), 1u);
    const Dialogs::Message& box = Dialogs::history().front();
    EXPECT_EQ(box.kind, Dialogs::Kind::Information);
    EXPECT_EQ(box.caption, QStringLiteral("Information"));
    EXPECT_FALSE(box.text.isEmpty());
    EXPECT_EQ(walk->StatusText(), box.text);
    EXPECT_TRUE(start(walk)->isEnabled());
    EXPECT_EQ(list(walk)->topLevelItemCount(), 0);
}

TEST_F(WalkWindowTest, LogLeftOpenByAFailedWalkIsClosedByTheNextStart)
{
    QTemporaryDir dir;
    Main->Edit_Community->setText(QStringLiteral("not-the-community"));
    Main->Edit_Timeout->setText(QStringLiteral("1"));
    Main->Edit_Retry->setText(QStringLiteral("0"));
    TForm_MibWalk* walk = openWalk(SystemOid);
    ASSERT_NE(walk, nullptr);
    logTo(walk, dir.filePath(QStringLiteral("mibwalk.txt")));
    auto* interp = walk->findChild<TXTclClient*>(QStringLiteral("XTclClient_Req"));

    for (int attempt = 1; attempt <= 2; ++attempt) {
        start(walk)->click();
        ASSERT_TRUE(waitFor([&] { return Dialogs::history().size() == static_cast<size_t>(attempt); }));
        EXPECT_TRUE(start(walk)->isEnabled());
        EXPECT_EQ(interp->Eval(QStringLiteral("llength [file channels file*]")), QStringLiteral("1")) << attempt;
    }
}

TEST_F(WalkWindowTest, LogFileChoiceAndBrowseDialog)
{
    TForm_MibWalk* walk = openWalk(SystemOid);
    ASSERT_NE(walk, nullptr);
    auto* edit = walk->findChild<QLineEdit*>(QStringLiteral("Edit_Filename"));
    auto* browse = walk->findChild<QPushButton*>(QStringLiteral("Button_Browse"));
    EXPECT_EQ(edit->text(), QStringLiteral("mibwalk.txt"));
    EXPECT_FALSE(edit->isEnabled());
    EXPECT_FALSE(browse->isEnabled());
    walk->findChild<QCheckBox*>(QStringLiteral("CheckBox_LogToFile"))->setChecked(true);
    EXPECT_TRUE(edit->isEnabled());
    EXPECT_TRUE(browse->isEnabled());

    QStringList answer{QStringLiteral("/var/log/chosen.log")};
    Dialogs::setFileResponder([&answer](const Dialogs::FileRequest&) { return answer; });
    browse->click();
    EXPECT_EQ(edit->text(), QStringLiteral("/var/log/chosen.log"));
    answer.clear(); // cancelled
    browse->click();
    Dialogs::setFileResponder({});
    EXPECT_EQ(edit->text(), QStringLiteral("/var/log/chosen.log"));
    ASSERT_EQ(Dialogs::fileHistory().size(), 2u);
    EXPECT_EQ(Dialogs::fileHistory().front().filter, QStringLiteral("Log file (*.log)"));
    EXPECT_TRUE(Dialogs::fileHistory().front().mustExist);
    EXPECT_FALSE(Dialogs::fileHistory().front().multiSelect);
}

TEST_F(WalkWindowTest, FailedSessionLeavesTheWindowHidden)
{
    Main->Edit_Timeout->setText(QStringLiteral("not a number"));
    showObject(SystemOid);
    Main->Button_Walk->click();
    auto windows = Main->findChildren<TForm_MibWalk*>();
    ASSERT_EQ(windows.size(), 1);
    ASSERT_TRUE(waitFor([] { return !Dialogs::history().empty(); }));
    EXPECT_EQ(Dialogs::history().front().kind, Dialogs::Kind::Information);
    EXPECT_EQ(windows.front()->StatusText(), Dialogs::history().front().text);
    settle(200);
    EXPECT_FALSE(windows.front()->isVisible());
}

TEST_F(WalkWindowTest, ClosingMidWalkDestroysTheSessionAndLeavesNoLateEffect)
{
    QTemporaryDir dir;
    TForm_MibWalk* opened = openWalk(SystemOid);
    ASSERT_NE(opened, nullptr);
    QPointer<TForm_MibWalk> walk(opened);
    logTo(walk, dir.filePath(QStringLiteral("mibwalk.txt")));
    repetitions(walk)->setValue(0);
    start(walk)->click();
    ASSERT_TRUE(waitFor([&] { return list(walk)->topLevelItemCount() >= 5; }));
    const QString session = walk->Session();
    ASSERT_FALSE(session.isEmpty());
    EXPECT_EQ(slaveEval(QStringLiteral("info commands ") + session), session);

    walk->findChild<QPushButton*>(QStringLiteral("Button_Close"))->click();
    EXPECT_FALSE(walk.isNull() ? false : walk->isVisible());
    ASSERT_TRUE(waitFor([&] { return walk.isNull(); }));
    settle(300);
    EXPECT_EQ(slaveEval(QStringLiteral("info commands ") + session), QString());
    EXPECT_TRUE(Dialogs::history().empty());
    // The log was closed with the window: what it holds ends with a whole line.
    EXPECT_TRUE(fileBytes(dir.filePath(QStringLiteral("mibwalk.txt"))).endsWith('\n'));
}

} // namespace
