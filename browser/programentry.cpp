#include "programentry.h"

#include "browsermain.h"
#include "dialogs.h"
#include "handlerguard.h"
#include "helpviewer.h"
#include "mibselection.h"
#include "terminationrequest.h"

#include <QApplication>
#include <QDir>
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

namespace {

// The folder of the program comes first on PATH, so the slave's host ("ostrane",
// "tclsh76") and "Olvarin.exe" of the resource recovery are found beside it.
void putProgramFolderOnPath()
{
    const QString folder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    if (folder.isEmpty())
        return;
    const QByteArray path = qgetenv("PATH");
    const QByteArray first = folder.toLocal8Bit();
    if (path.split(':').value(0) == first)
        return;
    qputenv("PATH", path.isEmpty() ? first : first + ':' + path);
}

} // namespace

ProgramEntry::ProgramEntry(TcpIpCheck check)
    : FCheck(std::move(check))
{
}

ProgramEntry::~ProgramEntry()
{
    delete FMibCompiler.data();
}

TForm_MibCompiler* ProgramEntry::MibCompiler() const
{
    return FMibCompiler.data();
}

bool ProgramEntry::IsTcpIpInstalled()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0)
        return false;
    ::close(s);
    return true;
}

bool ProgramEntry::Start(const QStringList& arguments)
{
    if (!FCheck()) {
        // Shown before the help file is set; the program then ends.
        (void)Dialogs::MessageDlg(QStringLiteral("TCP/IP is not installed on this machine.\r"
                                                 "Please install TCP/IP before running Korvane"),
                                  Dialogs::Kind::Error, Dialogs::Ok | Dialogs::Help, TcpIpHelpContext);
        return false;
    }
    QCoreApplication::setApplicationName(QString::fromLatin1(Dialogs::applicationTitle));
    QGuiApplication::setApplicationDisplayName(QString::fromLatin1(Dialogs::applicationTitle));
    HelpViewer::SetHelpFile(QStringLiteral("korvane.hlp"));
    putProgramFolderOnPath();

    // The main window ends the program when it closes; the hidden dialog and the
    // walk and tabulate windows do not keep it alive.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    FMain = std::make_unique<TForm_Olvarin>(arguments);
    QObject::connect(FMain.get(), &TForm_Olvarin::closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    HandlerGuard::run([this] { FMibCompiler = new TForm_MibCompiler(); });
    return true;
}

int ProgramEntry::Run()
{
    if (TerminationRequest::Pending())
        return 0;
    if (FMain && !FMain->isVisible())
        FMain->show();
    return QCoreApplication::exec();
}
