// An agent that goes away and comes back, and one that answers slowly: the windows
// give clear error replies, stay in the states they are meant to, and work again.
#include "walk_fixture.h"

#include "browsertabulate.h"
#include "browserwalk.h"
#include "udpdelayrelay.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>

namespace {

using namespace std::chrono_literals;

const QString SystemOid = QStringLiteral("1.3.6.1.2.1.1");
const QString IfTable = QStringLiteral("1.3.6.1.2.1.2.2");

class AgentFaultTest : public BrowserWindowTest {
protected:
    void TearDown() override
    {
        // A test that failed half-way must not leave the shared agent stopped.
        if (!Agent->running())
            Agent->start();
        BrowserWindowTest::TearDown();
    }

    // Requests fail after one second, with no retry.
    void quickTimeOut(const QString& target)
    {
        Main->Edit_Target->setText(target);
        Main->Edit_Timeout->setText(QStringLiteral("1"));
        Main->Edit_Retry->setText(QStringLiteral("0"));
    }

    template <typename Window>
    Window* open(QPushButton* button, const QString& oid)
    {
        showObject(oid);
        const auto before = Main->findChildren<Window*>();
        button->click();
        for (Window* w : Main->findChildren<Window*>())
            if (!before.contains(w)) {
                EXPECT_TRUE(waitFor([w] { return w->isVisible(); })) << "no session reply";
                return w;
            }
        ADD_FAILURE() << "no window opened";
        return nullptr;
    }

    static QTreeWidget* list(QWidget* w) { return w->findChild<QTreeWidget*>(QStringLiteral("ListView")); }
    static QPushButton* button(QWidget* w, const char* name) { return w->findChild<QPushButton*>(QLatin1String(name)); }

    static bool noResponse(const QString& text)
    {
        return text.startsWith(QStringLiteral("noResponse from agent "));
    }
    static std::vector<QString> informationTexts()
    {
        std::vector<QString> out;
        for (const Dialogs::Message& m : Dialogs::history()) {
            EXPECT_EQ(m.kind, Dialogs::Kind::Information) << m.text.toStdString();
            out.push_back(m.text);
        }
        return out;
    }
};

TEST_F(AgentFaultTest, AgentRestartedDuringAWalkFailsItClearlyAndANewStartWalksAgain)
{
    quickTimeOut(agentAddress());
    auto* walk = open<TForm_MibWalk>(Main->Button_Walk, SystemOid);
    ASSERT_NE(walk, nullptr);
    auto* repetitions = walk->findChild<QSpinBox*>(QStringLiteral("SpinEdit_Repetitions"));
    repetitions->setValue(0);
    button(walk, "Button_Start")->click();
    ASSERT_TRUE(waitFor([walk] { return list(walk)->topLevelItemCount() >= 40; }));

    Agent->stop();
    ASSERT_TRUE(waitFor([walk] { return button(walk, "Button_Start")->isEnabled(); }, 15000));
    const std::vector<QString> shown = informationTexts();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(noResponse(shown.front())) << shown.front().toStdString();
    EXPECT_EQ(walk->StatusText(), shown.front());
    const int rows = list(walk)->topLevelItemCount();
    settle(1500); // nothing more is sent after the error
    EXPECT_EQ(list(walk)->topLevelItemCount(), rows);
    EXPECT_EQ(Dialogs::history().size(), 1u);
    EXPECT_TRUE(Main->XTcl->Waiting().isEmpty());

    // The agent is back: the same window and session walk again, from cycle 1, after
    // the rows already there.
    Agent->start();
    Dialogs::clearHistory();
    repetitions->setValue(2);
    button(walk, "Button_Start")->click();
    ASSERT_TRUE(waitFor([walk] {
        return walk->StatusText() == QStringLiteral("All cycles done") && button(walk, "Button_Start")->isEnabled();
    })) << walk->StatusText().toStdString();
    EXPECT_TRUE(Dialogs::history().empty());
    EXPECT_EQ(list(walk)->topLevelItem(rows)->text(0), QStringLiteral("sysDescr.0"));
    EXPECT_EQ(list(walk)->topLevelItem(list(walk)->topLevelItemCount() - 1)->text(0), QStringLiteral("Cycle 2 done."));
}

TEST_F(AgentFaultTest, AgentRestartedWhilePollingStallsTheTableAndANewWindowWorks)
{
    quickTimeOut(agentAddress());
    auto* tab = open<TForm_MibTabulate>(Main->Button_Tabulate, IfTable);
    ASSERT_NE(tab, nullptr);
    ASSERT_TRUE(waitFor([tab] { return tab->StatusText() == QStringLiteral("Done"); }));
    tab->findChild<QLineEdit*>(QStringLiteral("Edit_Pollrate"))->setText(QStringLiteral("1"));
    tab->findChild<QCheckBox*>(QStringLiteral("CheckBox_Poll"))->setChecked(true);

    Agent->stop();
    ASSERT_TRUE(waitFor([] { return !Dialogs::history().empty(); }, 15000));
    settle(2500); // ticks come and go: the window is Stalled and sends nothing more
    const std::vector<QString> shown = informationTexts();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(noResponse(shown.front())) << shown.front().toStdString();
    EXPECT_EQ(tab->StatusText(), shown.front());
    EXPECT_FALSE(button(tab, "Button_Refresh")->isEnabled());
    EXPECT_TRUE(Main->XTcl->Waiting().isEmpty());

    // The agent's return does not wake a Stalled window; a new one tabulates.
    Agent->start();
    settle(2500);
    EXPECT_EQ(tab->StatusText(), shown.front());
    EXPECT_EQ(Dialogs::history().size(), 1u);
    auto* again = open<TForm_MibTabulate>(Main->Button_Tabulate, IfTable);
    ASSERT_NE(again, nullptr);
    ASSERT_TRUE(waitFor([again] {
        return again->StatusText() == QStringLiteral("Done") && button(again, "Button_Refresh")->isEnabled();
    }));
    EXPECT_EQ(Dialogs::history().size(), 1u);
    button(tab, "Button_Close")->click();
    EXPECT_TRUE(waitFor([this] { return Main->findChildren<TForm_MibTabulate*>().size() == 1; }, 5000));
}

// The session allows two seconds for a request, tried twice (one second a try); the
// relay holds each request for a while before the agent sees it.
TEST_F(AgentFaultTest, SlowAgentAnswersJustInTimeAndTimesOutJustAfter)
{
    UdpDelayRelay relay(Agent->port(), 1400ms);
    Main->Edit_Target->setText(QString::fromStdString(relay.address()));
    Main->Edit_Timeout->setText(QStringLiteral("2"));
    Main->Edit_Retry->setText(QStringLiteral("1"));
    const auto get = [this](const QString& oid) {
        Main->ComboBox_Value->setEditText(QString());
        Main->Edit_OID->setText(oid);
        Main->Button_Get->click();
        return waitFor([this] { return Main->XTcl->Waiting().isEmpty(); });
    };

    // Under the time-out: the answer to the first try arrives after the retry went
    // out, and it counts.
    ASSERT_TRUE(get(QStringLiteral("1.3.6.1.2.1.1.1.0")));
    EXPECT_TRUE(Dialogs::history().empty()) << Dialogs::history().front().text.toStdString();
    EXPECT_EQ(Main->Edit_Name->text(), QStringLiteral("sysDescr.0"));
    EXPECT_FALSE(Main->ComboBox_Value->currentText().isEmpty());
    EXPECT_GE(relay.requests(), 2); // the retry was sent

    // Over the time-out: a clear error, and the panel keeps what it showed.
    relay.setDelay(2800ms);
    ASSERT_TRUE(get(QStringLiteral("1.3.6.1.2.1.1.5.0")));
    ASSERT_EQ(Dialogs::history().size(), 1u);
    EXPECT_EQ(Dialogs::history().front().kind, Dialogs::Kind::Information);
    EXPECT_EQ(Dialogs::history().front().text, QStringLiteral("noResponse from agent ") + Main->Edit_Target->text());
    EXPECT_EQ(Main->statusText(), Dialogs::history().front().text);
    EXPECT_EQ(Main->Edit_OID->text(), QStringLiteral("1.3.6.1.2.1.1.5.0"));

    // The late answers still on their way are no one's: the next request gets its own.
    relay.setDelay(0ms);
    Dialogs::clearHistory();
    ASSERT_TRUE(get(QStringLiteral("1.3.6.1.2.1.1.3.0")));
    EXPECT_TRUE(Dialogs::history().empty());
    EXPECT_EQ(Main->Edit_Name->text(), QStringLiteral("sysUpTime.0"));
}

// A walk keeps one session: an answer that comes after its request timed out must
// not be taken for the answer of a later request.
TEST_F(AgentFaultTest, LateAnswersDoNotShiftAWalkOnItsSession)
{
    UdpDelayRelay relay(Agent->port(), 1500ms);
    quickTimeOut(QString::fromStdString(relay.address()));
    relay.setDelay(0ms); // the session is created without a request; the walk's are slow
    auto* walk = open<TForm_MibWalk>(Main->Button_Walk, SystemOid);
    ASSERT_NE(walk, nullptr);
    relay.setDelay(1500ms);
    button(walk, "Button_Start")->click();
    ASSERT_TRUE(waitFor([walk] { return button(walk, "Button_Start")->isEnabled(); }, 15000));
    ASSERT_EQ(Dialogs::history().size(), 1u);
    EXPECT_TRUE(noResponse(Dialogs::history().front().text));

    relay.setDelay(0ms);
    const QStringList instances = agentWalk(SystemOid);
    settle(1000); // the late answer arrives at the session meanwhile
    Dialogs::clearHistory();
    button(walk, "Button_Start")->click();
    ASSERT_TRUE(waitFor([walk] {
        return walk->StatusText() == QStringLiteral("All cycles done") && button(walk, "Button_Start")->isEnabled();
    })) << walk->StatusText().toStdString();
    EXPECT_TRUE(Dialogs::history().empty());
    ASSERT_EQ(list(walk)->topLevelItemCount(), instances.size() + 1);
    EXPECT_EQ(list(walk)->topLevelItem(0)->text(0), QStringLiteral("sysDescr.0"));
    EXPECT_EQ(list(walk)->topLevelItem(1)->text(0), QStringLiteral("sysObjectID.0"));
}

} // namespace
