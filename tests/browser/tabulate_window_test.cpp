// The tabulate window against the real slave and a real agent: columns and rows of
// ifTable, trimming after a shorter pass, polling, and the Stalled state.
#include "walk_fixture.h"

#include "browsertabulate.h"
#include "stringgrid.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace {

const QString IfTable = QStringLiteral("1.3.6.1.2.1.2.2");
const QString IfEntry = QStringLiteral("1.3.6.1.2.1.2.2.1");

class TabulateWindowTest : public BrowserWindowTest {
protected:
    TForm_MibTabulate* openTabulate(const QString& oid)
    {
        showObject(oid);
        const auto before = Main->findChildren<TForm_MibTabulate*>();
        Main->Button_Tabulate->click();
        for (TForm_MibTabulate* w : Main->findChildren<TForm_MibTabulate*>())
            if (!before.contains(w)) {
                EXPECT_TRUE(w->isVisible()) << "a tabulate window is shown at once";
                return w;
            }
        ADD_FAILURE() << "no tabulate window opened";
        return nullptr;
    }

    static TStringGrid* grid(QWidget* w) { return w->findChild<TStringGrid*>(QStringLiteral("StringGrid")); }
    static QPushButton* refresh(QWidget* w) { return w->findChild<QPushButton*>(QStringLiteral("Button_Refresh")); }
    static QLineEdit* rate(QWidget* w) { return w->findChild<QLineEdit*>(QStringLiteral("Edit_Pollrate")); }
    static QTimer* timer(QWidget* w) { return w->findChild<QTimer*>(QStringLiteral("Timer")); }

    static bool passDone(TForm_MibTabulate* w)
    {
        return waitFor([w] { return w->StatusText() == QStringLiteral("Done") && refresh(w)->isEnabled(); });
    }

    static void pressEnter(QWidget* edit)
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QCoreApplication::sendEvent(edit, &press);
    }

    static QStringList column(TStringGrid* g, int col)
    {
        QStringList cells;
        for (int row = 1; row < g->RowCount(); ++row)
            cells.append(g->Cells(col, row));
        return cells;
    }
};

TEST_F(TabulateWindowTest, IfTableFromTableOrEntryGivesTheSameGrid)
{
    QStringList indexes;
    for (const QString& oid : agentWalk(IfEntry + QStringLiteral(".1")))
        indexes.append(oid.section(QLatin1Char('.'), -1));
    ASSERT_FALSE(indexes.isEmpty());

    TForm_MibTabulate* onTable = openTabulate(IfTable);
    ASSERT_NE(onTable, nullptr);
    EXPECT_EQ(Main->Edit_Syntax->text(), QStringLiteral("SEQUENCE OF"));
    EXPECT_EQ(onTable->windowTitle(), QStringLiteral("MIB Tabulate - ") + agentAddress() + QStringLiteral(" - ifTable"));
    ASSERT_TRUE(passDone(onTable));

    TForm_MibTabulate* onEntry = openTabulate(IfEntry);
    ASSERT_NE(onEntry, nullptr);
    EXPECT_EQ(Main->Edit_Syntax->text(), QStringLiteral("SEQUENCE"));
    ASSERT_TRUE(passDone(onEntry));

    for (TForm_MibTabulate* w : {onTable, onEntry}) {
        TStringGrid* g = grid(w);
        EXPECT_EQ(g->Cells(0, 0), QStringLiteral("ifIndex"));
        EXPECT_EQ(g->Cells(1, 0), QStringLiteral("ifDescr"));
        EXPECT_GE(g->ColCount(), 20);
        EXPECT_EQ(g->FixedCols(), 1);
        EXPECT_EQ(g->RowCount(), indexes.size() + 1);
        EXPECT_EQ(column(g, 0), indexes);
    }
    for (int col = 0; col < grid(onTable)->ColCount(); ++col)
        EXPECT_EQ(grid(onTable)->Cells(col, 0), grid(onEntry)->Cells(col, 0)) << col;
    EXPECT_EQ(column(grid(onTable), 1), column(grid(onEntry), 1));
    EXPECT_TRUE(Dialogs::history().empty());
}

TEST_F(TabulateWindowTest, PassOverTheAgentsLastTableEnds)
{
    // vacmViewTreeFamilyTable is the agent's last table: its pass ends on endOfMibView.
    const QStringList rows = agentWalk(QStringLiteral("1.3.6.1.6.3.16.1.5.2.1.6"));
    ASSERT_FALSE(rows.isEmpty());
    TForm_MibTabulate* tab = openTabulate(QStringLiteral("1.3.6.1.6.3.16.1.5.2"));
    ASSERT_NE(tab, nullptr);
    ASSERT_TRUE(passDone(tab));
    EXPECT_EQ(grid(tab)->RowCount(), rows.size() + 1);
    EXPECT_EQ(grid(tab)->FixedCols(), 2);
    EXPECT_TRUE(Dialogs::history().empty());
}

TEST_F(TabulateWindowTest, ShorterPassTrimsTheGridAndCloseDestroysTheSession)
{
    QPointer<TForm_MibTabulate> tab(openTabulate(IfTable));
    ASSERT_FALSE(tab.isNull());
    ASSERT_TRUE(passDone(tab));
    const int rows = grid(tab)->RowCount();

    // As if an earlier pass had seen a longer table.
    grid(tab)->SetRowCount(rows + 5);
    grid(tab)->SetCell(0, rows + 4, QStringLiteral("stale"));
    refresh(tab)->click();
    EXPECT_FALSE(refresh(tab)->isEnabled());
    ASSERT_TRUE(passDone(tab));
    EXPECT_EQ(grid(tab)->RowCount(), rows);

    const QString session = tab->Session();
    ASSERT_FALSE(session.isEmpty());
    EXPECT_EQ(slaveEval(QStringLiteral("info commands ") + session), session);
    tab->findChild<QPushButton*>(QStringLiteral("Button_Close"))->click();
    ASSERT_TRUE(waitFor([&] { return tab.isNull(); }));
    EXPECT_EQ(slaveEval(QStringLiteral("info commands ") + session), QString());
}

TEST_F(TabulateWindowTest, PollRateRules)
{
    TForm_MibTabulate* tab = openTabulate(IfTable);
    ASSERT_NE(tab, nullptr);
    ASSERT_TRUE(passDone(tab));
    auto* poll = tab->findChild<QCheckBox*>(QStringLiteral("CheckBox_Poll"));
    auto* label = tab->findChild<QLabel*>(QStringLiteral("Label_PollRate"));
    EXPECT_FALSE(rate(tab)->isEnabled());
    EXPECT_EQ(timer(tab)->interval(), 15000);

    poll->setChecked(true);
    EXPECT_TRUE(rate(tab)->isEnabled());
    EXPECT_TRUE(label->isEnabled());
    EXPECT_EQ(timer(tab)->interval(), 30000);
    EXPECT_TRUE(timer(tab)->isActive());

    struct Case {
        const char* typed;
        int interval;      // the timer's interval afterwards
        const char* shown; // the field afterwards
        int messages;      // boxes shown
    };
    const Case cases[] = {
        {"1", 1000, "1", 0},
        {"0", 1000, "15", 1},
        {"-3", 1000, "15", 1},
        {"7", 7000, "7", 0},
        {"abc", 7000, "abc", 1},
    };
    for (const Case& c : cases) {
        Dialogs::clearHistory();
        rate(tab)->setText(QString::fromLatin1(c.typed));
        pressEnter(rate(tab));
        EXPECT_EQ(timer(tab)->interval(), c.interval) << c.typed;
        EXPECT_EQ(rate(tab)->text(), QString::fromLatin1(c.shown)) << c.typed;
        ASSERT_EQ(static_cast<int>(Dialogs::history().size()), c.messages) << c.typed;
        if (c.messages == 1 && QByteArray(c.shown) == "15") {
            EXPECT_EQ(Dialogs::history().front().kind, Dialogs::Kind::Error);
            EXPECT_EQ(Dialogs::history().front().caption, QStringLiteral("Error"));
            EXPECT_EQ(Dialogs::history().front().text, QStringLiteral("Poll rate is too small."));
            EXPECT_EQ(tab->StatusText(), QStringLiteral("Poll rate is too small."));
        } else if (c.messages == 1) {
            EXPECT_EQ(Dialogs::history().front().caption, QStringLiteral("MIB Browser"));
        }
    }

    // Switching off applies the rate first.
    Dialogs::clearHistory();
    rate(tab)->setText(QStringLiteral("0"));
    poll->setChecked(false);
    ASSERT_EQ(Dialogs::history().size(), 1u);
    EXPECT_EQ(Dialogs::history().front().text, QStringLiteral("Poll rate is too small."));
    EXPECT_EQ(rate(tab)->text(), QStringLiteral("15"));
    EXPECT_FALSE(timer(tab)->isActive());
    EXPECT_FALSE(rate(tab)->isEnabled());
}

TEST_F(TabulateWindowTest, TimerTickStartsAPass)
{
    TForm_MibTabulate* tab = openTabulate(IfTable);
    ASSERT_NE(tab, nullptr);
    ASSERT_TRUE(passDone(tab));
    const int rows = grid(tab)->RowCount();
    grid(tab)->SetRowCount(rows + 3);

    rate(tab)->setText(QStringLiteral("1"));
    tab->findChild<QCheckBox*>(QStringLiteral("CheckBox_Poll"))->setChecked(true);
    EXPECT_EQ(timer(tab)->interval(), 1000);
    // Only the end of a pass trims the grid.
    ASSERT_TRUE(waitFor([&] { return grid(tab)->RowCount() == rows; }, 10000));
    EXPECT_TRUE(Dialogs::history().empty());
}

TEST_F(TabulateWindowTest, ErrorReplyLeavesTheWindowStalled)
{
    Main->Edit_Community->setText(QStringLiteral("not-the-community"));
    Main->Edit_Timeout->setText(QStringLiteral("1"));
    Main->Edit_Retry->setText(QStringLiteral("0"));
    TForm_MibTabulate* tab = openTabulate(IfTable);
    ASSERT_NE(tab, nullptr);
    ASSERT_TRUE(waitFor([] { return !Dialogs::history().empty(); }));
    ASSERT_EQ(Dialogs::history().size(), 1u);
    EXPECT_EQ(Dialogs::history().front().kind, Dialogs::Kind::Information);
    EXPECT_EQ(tab->StatusText(), Dialogs::history().front().text);
    EXPECT_FALSE(refresh(tab)->isEnabled());
    EXPECT_EQ(grid(tab)->RowCount(), 2);
    EXPECT_EQ(grid(tab)->Cells(0, 0), QStringLiteral("ifIndex"));

    // Neither Refresh nor a tick starts a pass in Stalled.
    refresh(tab)->click();
    rate(tab)->setText(QStringLiteral("1"));
    tab->findChild<QCheckBox*>(QStringLiteral("CheckBox_Poll"))->setChecked(true);
    settle(2500);
    EXPECT_EQ(Dialogs::history().size(), 1u);
}

} // namespace
