// Program entry: the TCP/IP check, title and help file, the windows it creates and
// the message loop's end.
#include "browsermain.h"
#include "exception.h"
#include "handlerguard.h"
#include "dialogs.h"
#include "helpviewer.h"
#include "main_fixture.h"
#include "mibselection.h"
#include "programentry.h"
#include "terminationrequest.h"

#include <QApplication>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

int visibleWindows()
{
    int count = 0;
    for (const QWidget* w : QApplication::topLevelWidgets())
        count += w->isVisible() ? 1 : 0;
    return count;
}

} // namespace

TEST(ProgramEntry, WithoutTcpIpShowsTheMessageBeforeTheHelpFileAndCreatesNothing)
{
    Dialogs::clearHistory();
    HelpViewer::SetHelpFile(QString());
    const int windowsBefore = int(QApplication::topLevelWidgets().size());

    ProgramEntry entry([] { return false; });
    EXPECT_FALSE(entry.Start({QStringLiteral("Olvarin")}));

    ASSERT_EQ(Dialogs::history().size(), 1u);
    const Dialogs::Message& m = Dialogs::history().front();
    EXPECT_EQ(m.kind, Dialogs::Kind::Error);
    EXPECT_EQ(m.caption, QStringLiteral("Error"));
    EXPECT_EQ(m.text, QStringLiteral("TCP/IP is not installed on this machine.\rPlease install TCP/IP before running Korvane"));
    EXPECT_EQ(m.buttons, Dialogs::Ok | Dialogs::Help);
    EXPECT_EQ(m.helpContext, 3501);
    EXPECT_TRUE(HelpViewer::HelpFile().isEmpty()); // shown before the help file is set

    EXPECT_EQ(entry.MainWindow(), nullptr);
    EXPECT_EQ(entry.MibCompiler(), nullptr);
    EXPECT_EQ(Form_Olvarin, nullptr);
    EXPECT_EQ(int(QApplication::topLevelWidgets().size()), windowsBefore);
}

TEST(ProgramEntry, TcpIpIsThereOnThisMachine)
{
    EXPECT_TRUE(ProgramEntry::IsTcpIpInstalled());
}

TEST(ProgramEntry, StartsTheApplicationAndItsWindowsInOrder)
{
    maintest::ConfigHome home;
    Dialogs::clearHistory();
    TerminationRequest::Reset();
    {
        ProgramEntry entry([] { return true; });
        ASSERT_TRUE(entry.Start({QStringLiteral("Olvarin")}));

        EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("MIB Browser"));
        EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("MIB Browser"));
        EXPECT_EQ(HelpViewer::HelpFile(), QStringLiteral("korvane.hlp"));
        EXPECT_EQ(qgetenv("PATH").split(':').value(0), QCoreApplication::applicationDirPath().toLocal8Bit());

        ASSERT_NE(entry.MainWindow(), nullptr);
        EXPECT_EQ(Form_Olvarin, entry.MainWindow());
        ASSERT_NE(entry.MibCompiler(), nullptr);
        EXPECT_EQ(Form_MibCompiler, entry.MibCompiler());
        EXPECT_TRUE(entry.MainWindow()->isVisible()); // shown by its start-up
        EXPECT_FALSE(entry.MibCompiler()->isVisible());
        EXPECT_TRUE(Dialogs::history().empty());

        // Closing the main window is what ends the program.
        bool closed = false;
        QObject::connect(entry.MainWindow(), &TForm_Olvarin::closed, [&closed] { closed = true; });
        entry.MainWindow()->close();
        EXPECT_TRUE(closed);

        // A termination request posted before the loop ends it as soon as it runs.
        TerminationRequest::Post();
        EXPECT_EQ(entry.Run(), 0);
        TerminationRequest::Reset();
    }
    EXPECT_EQ(Form_Olvarin, nullptr);
    EXPECT_EQ(Form_MibCompiler, nullptr);
    EXPECT_EQ(visibleWindows(), 0);
}

TEST(ProgramEntry, AMibLoadDialogReleasedByCancelIsNotDestroyedTwice)
{
    maintest::ConfigHome home;
    Dialogs::clearHistory();
    TerminationRequest::Reset();
    {
        ProgramEntry entry([] { return true; });
        ASSERT_TRUE(entry.Start({QStringLiteral("Olvarin")}));
        ASSERT_NE(entry.MibCompiler(), nullptr);
        entry.MibCompiler()->findChild<QPushButton*>(QStringLiteral("Button2"))->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(entry.MibCompiler(), nullptr);
        EXPECT_EQ(Form_MibCompiler, nullptr);
        entry.MainWindow()->close();
    } // the entry goes with the dialog already gone
    EXPECT_EQ(Form_Olvarin, nullptr);
    EXPECT_TRUE(Dialogs::history().empty());
}

TEST(HandlerBoundary, AFailureEscapingAHandlerIsShownAndTheProgramGoesOn)
{
    Dialogs::clearHistory();
    EXPECT_FALSE(HandlerGuard::run([] { throw Exception(QStringLiteral("TXTcl.Send - Error in external process")); }));
    EXPECT_FALSE(HandlerGuard::run([] { throw std::runtime_error("plain"); }));
    EXPECT_FALSE(HandlerGuard::run([] { throw 42; }));
    EXPECT_TRUE(HandlerGuard::run([] {}));
    ASSERT_EQ(Dialogs::history().size(), 3u);
    for (const Dialogs::Message& m : Dialogs::history()) {
        EXPECT_EQ(m.caption, QStringLiteral("MIB Browser"));
        EXPECT_EQ(m.kind, Dialogs::Kind::Error);
        EXPECT_EQ(m.buttons, int(Dialogs::Ok));
    }
    EXPECT_EQ(Dialogs::history()[0].text, QStringLiteral("TXTcl.Send - Error in external process"));
    EXPECT_EQ(Dialogs::history()[1].text, QStringLiteral("plain"));
}
