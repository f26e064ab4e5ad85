// The MIB Load dialog against the real main window and its interpreter.
#include "browsermain.h"
#include "dialogs.h"
#include "mibselection.h"
#include "txtcl.h"

#include <QApplication>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

namespace {

class MibSelectionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Config = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", Config->path().toUtf8());
    }
    static void TearDownTestSuite() { Config.reset(); }

    void SetUp() override
    {
        Main = std::make_unique<TForm_Olvarin>(QStringList{QStringLiteral("Olvarin")});
        Dialogs::clearHistory();
    }
    void TearDown() override
    {
        delete Dialog.data();
        Main.reset();
    }

    static QStringList items(QListWidget* box)
    {
        QStringList texts;
        for (int i = 0; i < box->count(); ++i)
            texts.append(box->item(i)->text());
        return texts;
    }
    QListWidget* box(const char* name) { return Dialog->findChild<QListWidget*>(QLatin1String(name)); }

    inline static std::unique_ptr<QTemporaryDir> Config;
    std::unique_ptr<TForm_Olvarin> Main;
    QPointer<TForm_MibCompiler> Dialog;
};

TEST_F(MibSelectionTest, ListsTheTclSideModulesAndStaysHidden)
{
    QStringList core;
    QStringList user;
    Main->XTcl->EvalList(QStringLiteral("set tnm(mibs:core)"), core);
    Main->XTcl->EvalList(QStringLiteral("set tnm(mibs)"), user);
    ASSERT_FALSE(core.isEmpty());

    Dialog = new TForm_MibCompiler;
    EXPECT_FALSE(Dialog->isVisible());
    EXPECT_EQ(Dialog->windowTitle(), QStringLiteral("MIB Load"));
    EXPECT_EQ(items(box("ListBox_Core")), core);
    EXPECT_EQ(items(box("ListBox_User")), user);
    EXPECT_TRUE(Dialogs::history().empty());

    // The plus button asks for files whose choice changes nothing.
    Dialogs::setFileResponder([](const Dialogs::FileRequest&) { return QStringList{QStringLiteral("/tmp/x.mib")}; });
    Dialog->findChild<QToolButton*>(QStringLiteral("SpeedButton1"))->click();
    Dialogs::setFileResponder({});
    ASSERT_FALSE(Dialogs::fileHistory().empty());
    const Dialogs::FileRequest& request = Dialogs::fileHistory().back();
    EXPECT_EQ(request.title, QStringLiteral("Select User MIBs"));
    EXPECT_EQ(request.filter, QStringLiteral("MIB files (*.mib; *.tc; *.smi)"));
    EXPECT_EQ(request.defaultSuffix, QStringLiteral("mib"));
    EXPECT_TRUE(request.multiSelect);
    EXPECT_EQ(items(box("ListBox_User")), user);

    // Cancel releases the dialog.
    Dialog->findChild<QPushButton*>(QStringLiteral("Button2"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(Dialog.isNull());
}

TEST_F(MibSelectionTest, MissingUserListIsReportedOnceAndLeavesItEmpty)
{
    Main->XTcl->Eval(QStringLiteral("unset tnm(mibs)"));
    Main->XTcl->Eval(QStringLiteral("set tnm(mibs:core) {}"));
    Dialog = new TForm_MibCompiler;
    EXPECT_EQ(box("ListBox_Core")->count(), 0);
    EXPECT_EQ(box("ListBox_User")->count(), 0);
    ASSERT_EQ(Dialogs::history().size(), 1u);
    EXPECT_EQ(Dialogs::history().front().caption, QStringLiteral("MIB Browser"));
    EXPECT_FALSE(Dialog->isVisible());
}

} // namespace
