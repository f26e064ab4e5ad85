// A resource file that does not load: the default copy replaces it (the user's file
// kept as Olvarin.rc.bak), the user is asked, and this copy of the browser ends.
#include "main_fixture.h"
#include "ttcl.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTabBar>

using maintest::MainWindowTest;
using maintest::waitUntil;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

using MainRecovery = MainWindowTest;

TEST_F(MainRecovery, ReplacesABrokenResourceFileOnBothAnswersAndKeepsTheOldOne)
{
    // "exec Olvarin.exe &" finds a stand-in first on PATH that notes its start.
    QTemporaryDir bin;
    const QString started = bin.path() + QStringLiteral("/started");
    write(bin.path() + QStringLiteral("/Olvarin.exe"),
          QByteArray("#!/bin/sh\necho started >> '") + started.toUtf8() + "'\n");
    QFile::setPermissions(bin.path() + QStringLiteral("/Olvarin.exe"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8() + ':' + path);

    const QString rc = Home.rcFolder() + QStringLiteral("/Olvarin.rc");
    const QByteArray broken("set DisplayRoots {system\n");
    for (const int answer : {int(Dialogs::Cancel), int(Dialogs::Ok)}) {
        SCOPED_TRACE(answer == Dialogs::Ok ? "OK" : "Cancel");
        ASSERT_TRUE(QDir().mkpath(Home.rcFolder()));
        write(rc, broken);
        Dialogs::clearHistory();
        TerminationRequest::Reset();
        Dialogs::setResponder([answer](const Dialogs::Message& m) {
            return m.kind == Dialogs::Kind::Warning ? answer : int(Dialogs::Ok);
        });
        // The link stops reading once termination is requested: no waiting for the
        // slave here (it answers the broken file's loading with an error too).
        Main = std::make_unique<TForm_Olvarin>(QStringList{QStringLiteral("Olvarin"), QStringLiteral("-address"), agentAddress()});
        Dialogs::setResponder([](const Dialogs::Message& m) { return (m.buttons & Dialogs::Ok) ? int(Dialogs::Ok) : m.buttons; });

        ASSERT_GE(Dialogs::history().size(), 1u);
        const Dialogs::Message& m = Dialogs::history().front();
        EXPECT_EQ(m.kind, Dialogs::Kind::Warning);
        EXPECT_EQ(m.caption, QStringLiteral("Warning"));
        EXPECT_EQ(m.buttons, Dialogs::Ok | Dialogs::Cancel);
        EXPECT_EQ(m.helpContext, 0);
        EXPECT_TRUE(m.text.endsWith(QStringLiteral(". Reload with default?"))) << m.text.toStdString();
        EXPECT_TRUE(m.text.startsWith(QStringLiteral("missing close-brace"))) << m.text.toStdString();

        EXPECT_EQ(readAll(Home.rcFolder() + QStringLiteral("/Olvarin.rc.bak")), broken);
        EXPECT_EQ(readAll(rc), readAll(Home.rcFolder() + QStringLiteral("/Olvarin.rc.default")));
        EXPECT_TRUE(TerminationRequest::Pending());
        // Start-up went on: the session and the tree are there.
        EXPECT_EQ(Main->Edit_Target->text(), agentAddress());
        EXPECT_GT(Main->TreeView->topLevelItemCount(), 0);
        Main.reset();
    }
    // Only the OK answer started a new copy.
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(started); }, 5000));
    EXPECT_EQ(readAll(started), QByteArray("started\n"));
    // Tcl reaps the stand-in it started in the background at its next foreground exec.
    (void)waitUntil([] { return false; }, 200);
    TTcl reaper;
    (void)reaper.Eval(QStringLiteral("exec true"));
    qputenv("PATH", path);
}
