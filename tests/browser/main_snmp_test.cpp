// Get, Get Next and Set from the main window through the real slave to a real agent.
#include "main_fixture.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

using maintest::MainWindowTest;
using maintest::waitUntil;

using MainSnmp = MainWindowTest;

TEST_F(MainSnmp, GetOfAScalarAsksForItsInstanceAndShowsTheValue)
{
    openOnAgent();
    Main->TreeView->setCurrentItem(node(QStringLiteral("1.3.6.1.2.1.1.3")));
    ASSERT_EQ(Main->Edit_OID->text(), QStringLiteral("1.3.6.1.2.1.1.3"));
    Main->Button_Get->click();
    EXPECT_EQ(Main->Edit_OID->text(), QStringLiteral("1.3.6.1.2.1.1.3.0"));
    ASSERT_TRUE(waitForReplies());
    EXPECT_TRUE(Dialogs::history().empty());
    EXPECT_EQ(Main->Edit_Name->text(), QStringLiteral("sysUpTime.0"));
    EXPECT_FALSE(Main->ComboBox_Value->currentText().isEmpty()); // the agent's time ticks
    EXPECT_EQ(Main->TreeView->currentItem(), node(QStringLiteral("1.3.6.1.2.1.1.3")));

    // With the instance already there, Get asks for it unchanged.
    Main->Button_Get->click();
    EXPECT_EQ(Main->Edit_OID->text(), QStringLiteral("1.3.6.1.2.1.1.3.0"));
    ASSERT_TRUE(waitForReplies());
    EXPECT_TRUE(Dialogs::history().empty());
}

TEST_F(MainSnmp, GetNextMovesThePanelAndTheTreeForward)
{
    openOnAgent();
    Main->Edit_OID->setText(QStringLiteral("1.3.6.1.2.1.1.3.0"));
    Main->Button_GetNext->click();
    ASSERT_TRUE(waitForReplies());
    EXPECT_EQ(Main->Edit_OID->text(), QStringLiteral("1.3.6.1.2.1.1.4.0"));
    EXPECT_EQ(Main->Edit_Name->text(), QStringLiteral("sysContact.0"));
    EXPECT_EQ(Main->TreeView->currentItem(), node(QStringLiteral("1.3.6.1.2.1.1.4")));
    Main->Button_GetNext->click();
    ASSERT_TRUE(waitForReplies());
    EXPECT_EQ(Main->Edit_OID->text(), QStringLiteral("1.3.6.1.2.1.1.5.0"));
    EXPECT_EQ(Main->TreeView->currentItem(), node(QStringLiteral("1.3.6.1.2.1.1.5")));
    EXPECT_EQ(Main->statusText(), QString());
    EXPECT_TRUE(Dialogs::history().empty());
}

TEST_F(MainSnmp, SetThroughTheWriteCommunityChangesTheAgent)
{
    openOnAgent(QStringLiteral("private"));
    const QString contact = QStringLiteral("noc {desk} 7");
    Main->Edit_OID->setText(QStringLiteral("1.3.6.1.2.1.1.4.0"));
    Main->ComboBox_Value->setEditText(contact);
    Main->Button_Set->click();
    ASSERT_TRUE(waitForReplies());
    EXPECT_TRUE(Dialogs::history().empty()) << Main->statusText().toStdString();
    EXPECT_EQ(Main->ComboBox_Value->currentText(), contact);

    // Read back by a fresh Get.
    Main->ComboBox_Value->setEditText(QString());
    Main->Edit_Community->setText(QStringLiteral("public"));
    Main->Button_Get->click();
    ASSERT_TRUE(waitForReplies());
    EXPECT_EQ(Main->ComboBox_Value->currentText(), contact);
}

TEST_F(MainSnmp, EnumeratedValuesShowAsChoicesAndSendTheirLabel)
{
    openOnAgent();
    Main->Edit_OID->setText(QStringLiteral("1.3.6.1.2.1.2.2.1.7.1"));
    Main->Button_Get->click();
    ASSERT_TRUE(waitForReplies());
    EXPECT_EQ(Main->ComboBox_Value->currentText(), QStringLiteral("up (1)"));
    ASSERT_GE(Main->ComboBox_Value->count(), 2);
    EXPECT_EQ(Main->ComboBox_Value->itemText(1), QStringLiteral("down (2)"));

    // The slave's request procedure records what it got instead of asking the
    // agent (a write on an interface is never sent to a real one).
    (void)slaveEval(QStringLiteral("proc SnmpGlobalRequest args {set ::lastRequest $args; error recorded}"));
    Main->ComboBox_Value->setCurrentIndex(1);
    ASSERT_EQ(Main->ComboBox_Value->currentText(), QStringLiteral("down (2)"));
    Main->Button_Set->click();
    ASSERT_TRUE(waitForReplies());
    EXPECT_EQ(slaveEval(QStringLiteral("lindex $::lastRequest 4")), QStringLiteral("set"));
    // The bindings word arrived as {{1.3.6.1.2.1.2.2.1.7.1 down }}.
    EXPECT_EQ(slaveEval(QStringLiteral("lindex $::lastRequest 5")), QStringLiteral("{1.3.6.1.2.1.2.2.1.7.1 down }"));
    // A typed number goes as it is.
    Main->ComboBox_Value->setEditText(QStringLiteral("2"));
    Main->Button_Set->click();
    ASSERT_TRUE(waitForReplies());
    EXPECT_EQ(slaveEval(QStringLiteral("lindex $::lastRequest 5")), QStringLiteral("{1.3.6.1.2.1.2.2.1.7.1 2}"));
}

TEST_F(MainSnmp, AnAgentThatDoesNotAnswerGivesTheStatusTextAndOneInformationBox)
{
    openOnAgent();
    Main->Edit_Target->setText(QStringLiteral("127.0.0.1:") + QString::number(TestAgent::freePort()));
    Main->Edit_Timeout->setText(QStringLiteral("1"));
    Main->Edit_Retry->setText(QStringLiteral("0"));
    Main->Edit_OID->setText(QStringLiteral("1.3.6.1.2.1.1.1.0"));
    Main->Button_Get->click();
    ASSERT_TRUE(waitForReplies());
    ASSERT_EQ(Dialogs::history().size(), 1u);
    const Dialogs::Message& m = Dialogs::history().front();
    EXPECT_EQ(m.kind, Dialogs::Kind::Information);
    EXPECT_EQ(m.buttons, int(Dialogs::Ok));
    EXPECT_FALSE(m.text.isEmpty());
    EXPECT_EQ(Main->statusText(), m.text);
    // The panel keeps what it showed.
    EXPECT_EQ(Main->Edit_OID->text(), QStringLiteral("1.3.6.1.2.1.1.1.0"));
}

TEST_F(MainSnmp, ASetThatCannotBeBuiltIsShownAndNothingIsSent)
{
    openOnAgent();
    // The enumeration test fails on an OID that the MIB rejects: the click ends in
    // the default error display, and no request leaves.
    Main->Edit_OID->setText(QStringLiteral("no.such.object"));
    ASSERT_FALSE(Main->Button_Set->isEnabled());
    emit Main->Button_Set->clicked(); // as if it were enabled
    EXPECT_TRUE(Main->XTcl->Waiting().isEmpty());
    ASSERT_EQ(Dialogs::history().size(), 1u);
    EXPECT_EQ(Dialogs::history().front().caption, QStringLiteral("MIB Browser"));
    EXPECT_EQ(Dialogs::history().front().kind, Dialogs::Kind::Error);
    EXPECT_FALSE(Dialogs::history().front().text.isEmpty());
    // The window goes on working.
    Main->Edit_OID->setText(QStringLiteral("1.3.6.1.2.1.1.5.0"));
    Main->Button_Get->click();
    ASSERT_TRUE(waitForReplies());
    EXPECT_FALSE(Main->ComboBox_Value->currentText().isEmpty());
}
