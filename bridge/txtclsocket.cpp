#include "txtclsocket.h"

#include "detachedprocess.h"
#include "dialogs.h"
#include "exception.h"
#include "terminationrequest.h"
#include "txtcl.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QPointer>

namespace {

// The socket new components join. Weak: the components own their socket.
std::weak_ptr<TXTclSocket> Shared;

constexpr int MaxExtTclPerSocket = 10;
constexpr qsizetype ReadSize = 16;

} // namespace

TXTclSocket::TXTclSocket()
    : TTCPServer(nullptr)
{
    OnData = [this](QObject* Sender, TSocketHandle Socket) { socketOnData(Sender, Socket); };
    OnAccept = [this](QObject* Sender, TSocketHandle Socket) { serverOnAccept(Sender, Socket); };
    OnClose = [this](QObject* Sender, TSocketHandle Socket) { serverOnClose(Sender, Socket); };
    OnError = [this](QObject* Sender, int Error, const QString& Msg) { socketOnError(Sender, Error, Msg); };
    setPort(QStringLiteral("0"));
    Open();
}

TXTclSocket::~TXTclSocket()
{
    // Every registered component holds its socket, so none can be left here.
    Q_ASSERT_X(extTclList.isEmpty(), "TXTclSocket", "TXTclSocket.Destroy - extTclList not empty");
    Shutdown();
}

std::shared_ptr<TXTclSocket> TXTclSocket::Attach()
{
    std::shared_ptr<TXTclSocket> socket = Shared.lock();
    if (socket && socket->extTclList.size() < MaxExtTclPerSocket)
        return socket;
    // Listening stops at once when the last component lets go; the object itself goes
    // after the pending notifications, as one of its own may be running.
    socket = std::shared_ptr<TXTclSocket>(new TXTclSocket, [](TXTclSocket* s) {
        s->Shutdown();
        if (QCoreApplication::instance() != nullptr)
            s->deleteLater();
        else
            delete s;
    });
    Shared = socket;
    return socket;
}

TXTclSocket* TXTclSocket::SharedSocket()
{
    return Shared.lock().get();
}

void TXTclSocket::Leave(TXTclSocket* socket)
{
    if (socket != nullptr && socket->extTclList.isEmpty() && Shared.lock().get() == socket)
        Shared.reset();
}

void TXTclSocket::RegisterExtTcl(TXTcl* extTcl)
{
    if (extTclList.contains(extTcl))
        throw Exception(QStringLiteral("TXTclSocket.RegisterExtTcl extTcl is already registered"));
    extTclList.append(extTcl);
    ExecProcess(extTcl);
}

void TXTclSocket::UnregisterExtTcl(TXTcl* extTcl)
{
    extTclList.removeAll(extTcl);
    const TSocketHandle connection = extTcl->FConnection;
    extTcl->FConnection = 0;
    if (connection != 0 && HasConnection(connection))
        Close(connection);
}

TXTcl* TXTclSocket::FindExtTcl(TSocketHandle socket) const
{
    for (TXTcl* extTcl : extTclList) {
        if (extTcl->FConnection == socket)
            return extTcl;
    }
    return nullptr;
}

QString TXTclSocket::CommandLine(TXTcl* extTcl) const
{
    QString directory;
    if (extTcl->Eval(QStringLiteral("info exists KrPath_script")) == QLatin1String("1"))
        directory = extTcl->Eval(QStringLiteral("set KrPath_script")) + QLatin1Char('/');

    QString line = extTcl->Debug ? QStringLiteral("tclsh76 \"") : QStringLiteral("ostrane \"");
    line += directory;
    line += extTcl->Debug ? QStringLiteral("KrDSlave.tcl") : QStringLiteral("KrSlave.tcl");
    line += QStringLiteral("\" ");
    line += LocalPort();
    if (extTcl->Debug && !extTcl->DebugFile.trimmed().isEmpty())
        line += QLatin1Char(' ') + extTcl->DebugFile;
    return line;
}

void TXTclSocket::ExecProcess(TXTcl* extTcl)
{
    const QString line = CommandLine(extTcl);
    // The command line is read the way the shell of the Tcl side would: as a Tcl list,
    // so the double-quoted script path stays one word.
    QStringList argv;
    if (extTcl->SplitList(line, argv) != 0 || argv.isEmpty()
        || !DetachedProcess::Start(argv, /*quiet=*/!extTcl->Debug))
        throw Exception(QStringLiteral("TXTclSocket.ExecProcess: cannot launch external process"));
    extTcl->FLaunched = true;
}

void TXTclSocket::serverOnAccept(QObject* Sender, TSocketHandle Socket)
{
    Q_UNUSED(Sender);
    TXTcl* extTcl = FindExtTcl(0);
    if (extTcl == nullptr)
        throw Exception(QStringLiteral("TXTclSocket.serverOnAccept - no client is waiting"));
    extTcl->FConnection = Socket;
    extTcl->FLaunched = false;

    // What was sent while the slave started goes first, in order.
    if (extTcl->FPendingCommands) {
        const QList<QByteArray> pending = *extTcl->FPendingCommands;
        extTcl->FPendingCommands.reset();
        for (const QByteArray& text : pending)
            extTcl->SendText(text);
    }

    if (extTcl->OnConnect) {
        const TXTclConnectProc handler = extTcl->OnConnect;
        try {
            handler(this);
        } catch (const Exception& e) {
            Dialogs::ShowError(e.Message());
        } catch (const std::exception& e) {
            Dialogs::ShowError(QString::fromLocal8Bit(e.what()));
        }
    }
}

void TXTclSocket::socketOnData(QObject* Sender, TSocketHandle Socket)
{
    Q_UNUSED(Sender);
    const QPointer<TXTclSocket> self(this);

    // Pending events first; this may run any handler, a nested socketOnData among
    // them. A termination request is left to the main loop: nothing is read.
    for (;;) {
        if (TerminationRequest::Pending())
            return;
        QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
        if (dispatcher == nullptr || !dispatcher->processEvents(QEventLoop::AllEvents))
            break;
        if (self.isNull())
            return;
    }
    if (TerminationRequest::Pending() || self.isNull())
        return;

    TXTcl* extTcl = FindExtTcl(Socket);
    if (extTcl == nullptr)
        return;
    const qsizetype count = Read(Socket, FReadBuffer, ReadSize);
    if (count < 0)
        return;
    FReadBuffer[count] = '\0';
    extTcl->FLink.Receive(this, FReadBuffer, count);
}

void TXTclSocket::serverOnClose(QObject* Sender, TSocketHandle Socket)
{
    Q_UNUSED(Sender);
    TXTcl* extTcl = FindExtTcl(Socket);
    if (extTcl == nullptr)
        throw Exception(QStringLiteral("TXTclSocket.serverOnClose - cannot find connected client"));
    UnregisterExtTcl(extTcl);
    // No reply will ever come for what is still waiting: each origin gets an error
    // reply, in the queue's order, so that no window waits for ever (a walk would
    // keep its Start button disabled with nothing shown). Sending is refused from
    // now on, so the handlers cannot add to the queue.
    const QPointer<TXTcl> alive(extTcl);
    while (!alive.isNull() && !extTcl->FLink.Waiting.isEmpty())
        extTcl->FLink.DispatchReply(this, QByteArrayLiteral("1TXTcl.Send - Error in external process"));
    if (alive.isNull())
        return;
    if (extTcl->OnClose) {
        const TXTclCloseProc handler = extTcl->OnClose;
        try {
            handler(this);
        } catch (const Exception& e) {
            Dialogs::ShowError(e.Message());
        } catch (const std::exception& e) {
            Dialogs::ShowError(QString::fromLocal8Bit(e.what()));
        }
    }
}

void TXTclSocket::socketOnError(QObject* Sender, int Error, const QString& Msg)
{
    Q_UNUSED(Sender);
    Q_UNUSED(Error);
    throw Exception(Msg);
}
