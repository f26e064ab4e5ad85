// The main window's form: components, captions and the sizes that matter, the
// values the form itself holds, and its two Tcl components.
#include "browsermain.h"
#include "helpviewer.h"
#include "main_fixture.h"
#include "txtcl.h"
#include "txtclclient.h"

#include "dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QKeyEvent>
#include <gtest/gtest.h>

TEST(MainForm, KeepsTheFormsParameterValuesWhenNoSessionCanBeCreated)
{
    // The session refuses the option: start-up stops there, says why, and the
    // window opens with the values of the form, without tree and tabs.
    maintest::ConfigHome home;
    Dialogs::clearHistory();
    TForm_Olvarin w({QStringLiteral("Olvarin"), QStringLiteral("-nosuchoption"), QStringLiteral("x")});
    ASSERT_EQ(Dialogs::history().size(), 1u);
    EXPECT_EQ(Dialogs::history().front().caption, QStringLiteral("MIB Browser"));
    EXPECT_EQ(w.Edit_Target->text().split('.').size(), 4);
    EXPECT_EQ(w.Edit_Community->text(), QStringLiteral("gandor"));
    EXPECT_EQ(w.Edit_Timeout->text(), QStringLiteral("5"));
    EXPECT_EQ(w.Edit_Retry->text(), QStringLiteral("3"));
    EXPECT_EQ(w.TreeView->topLevelItemCount(), 0);
    EXPECT_EQ(w.TabControl->count(), 0);
}

TEST(MainForm, LayoutCaptionsAndComponents)
{
    maintest::ConfigHome home;
    TForm_Olvarin w({QStringLiteral("Olvarin")});
    w.show();
    QCoreApplication::processEvents();

    EXPECT_EQ(w.windowTitle(), QStringLiteral("MIB Browser"));
    EXPECT_EQ(w.size(), QSize(699, 524));
    EXPECT_FALSE(w.windowIcon().isNull());
    EXPECT_TRUE(w.TabControl->font().bold());
    EXPECT_TRUE(w.Panel_TreeViewHolder->isAncestorOf(w.TreeView));

    EXPECT_EQ(w.TreeView->indentation(), 19);
    EXPECT_TRUE(w.TreeView->isHeaderHidden());
    EXPECT_EQ(w.TreeView->editTriggers(), QAbstractItemView::NoEditTriggers);
    const QPalette tree = w.TreeView->palette();
    EXPECT_EQ(tree.color(QPalette::Inactive, QPalette::Highlight), tree.color(QPalette::Active, QPalette::Highlight));

    EXPECT_EQ(w.Panel2->width(), 317);
    EXPECT_EQ(w.Panel_Parameters->height(), 60);
    EXPECT_EQ(w.Panel3->height(), 232);
    EXPECT_TRUE(w.Panel2->isAncestorOf(w.Panel_Parameters));
    EXPECT_TRUE(w.Panel2->isAncestorOf(w.Panel3));
    EXPECT_TRUE(w.Panel2->isAncestorOf(w.Memo_Description));
    EXPECT_EQ(w.Edit_Target->width(), 105);
    EXPECT_EQ(w.Edit_Community->width(), 105);
    EXPECT_EQ(w.Edit_Timeout->width(), 27);
    EXPECT_EQ(w.Edit_Retry->width(), 27);

    const std::pair<QLabel*, const char*> labels[] = {
        {w.Label5, "Target"}, {w.Label6, "Community"}, {w.Label7, "Timeout"}, {w.Label8, "Retry"},
        {w.Label9, "Module"}, {w.Label1, "Name"},      {w.Label2, "OID"},     {w.Label3, "Syntax"},
        {w.Label4, "Value"}};
    for (const auto& [label, text] : labels)
        EXPECT_EQ(label->text(), QString::fromLatin1(text)) << label->objectName().toStdString();

    const std::pair<QPushButton*, const char*> buttons[] = {{w.Button_Get, "&Get"},
                                                            {w.Button_GetNext, "Get &Next"},
                                                            {w.Button_Set, "&Set"},
                                                            {w.Button_Walk, "&Walk"},
                                                            {w.Button_Tabulate, "&Tabulate"}};
    for (const auto& [button, text] : buttons)
        EXPECT_EQ(button->text(), QString::fromLatin1(text));

    for (QLineEdit* edit : {w.Edit_module, w.Edit_Syntax}) {
        EXPECT_TRUE(edit->isReadOnly());
        EXPECT_EQ(edit->palette().color(QPalette::Base), QColor(192, 192, 192));
    }
    EXPECT_FALSE(w.Edit_Name->isReadOnly());
    EXPECT_FALSE(w.Edit_OID->isReadOnly());
    EXPECT_TRUE(w.ComboBox_Value->isEditable());
    EXPECT_EQ(w.SpeedButton_FindNext->toolTip(), QStringLiteral("Find / Next"));
    EXPECT_FALSE(w.SpeedButton_FindNext->icon().isNull());

    EXPECT_TRUE(w.Memo_Description->isReadOnly());
    EXPECT_EQ(w.Memo_Description->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(w.Memo_Description->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(w.Memo_Description->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_FALSE(w.Memo_Description->tabChangesFocus());

    // One status text, and every named component findable by its name.
    EXPECT_EQ(w.findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly).size(), 0);
    auto* status = w.StatusBar->findChild<QLabel*>(QStringLiteral("StatusText"));
    ASSERT_NE(status, nullptr);
    w.setStatusText(QStringLiteral("x y"));
    EXPECT_EQ(status->text(), QStringLiteral("x y"));
    EXPECT_EQ(w.statusText(), QStringLiteral("x y"));
    for (const char* name : {"TabControl", "Panel_TreeViewHolder", "TreeView", "Panel2", "Panel_Parameters", "Panel3",
                             "Memo_Description", "StatusBar", "Edit_module", "Edit_Name", "Edit_OID", "Edit_Syntax",
                             "ComboBox_Value", "SpeedButton_FindNext", "Edit_Target", "Edit_Community",
                             "Edit_Timeout", "Edit_Retry"})
        EXPECT_NE(w.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;

    auto* xtcl = w.findChild<TXTcl*>(QStringLiteral("XTcl"));
    auto* req = w.findChild<TXTclClient*>(QStringLiteral("XTclClient_Req"));
    ASSERT_NE(xtcl, nullptr);
    ASSERT_NE(req, nullptr);
    EXPECT_EQ(xtcl, w.XTcl);
    EXPECT_EQ(req->Server(), xtcl);
    EXPECT_FALSE(xtcl->Debug);
}

TEST(MainForm, F1AsksForTheMainWindowsHelp)
{
    maintest::ConfigHome home;
    TForm_Olvarin w({QStringLiteral("Olvarin")});
    w.show();
    w.activateWindow();
    QCoreApplication::processEvents();
    HelpViewer::clearRequests();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_F1, Qt::NoModifier);
    w.Edit_OID->setFocus();
    QApplication::sendEvent(w.Edit_OID, &press);
    QApplication::sendEvent(w.Edit_OID, &release);
    ASSERT_EQ(HelpViewer::requests().size(), 1u);
    EXPECT_EQ(HelpViewer::requests().front(), 18000);
}
