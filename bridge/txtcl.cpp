#include "txtcl.h"

#include "dialogs.h"
#include "exception.h"
#include "txtclclient.h"
#include "txtclsocket.h"

TXTcl::TXTcl(QObject* owner)
    : TXTclBase(owner)
    , FSocket(TXTclSocket::Attach())
{
}

TXTcl::~TXTcl()
{
    try {
        FSocket->UnregisterExtTcl(this);
    } catch (const Exception& e) {
        Dialogs::defaultErrorDisplay(e.Message());
    }
    TXTclSocket::Leave(FSocket.get());
    FSocket.reset();
    while (!FClients.isEmpty())
        FClients.first()->setServer(nullptr);
}

void TXTcl::Loaded()
{
    if (OnLoaded) {
        const TXTclLoadedProcedure handler = OnLoaded;
        handler();
    }
    FSocket->RegisterExtTcl(this);
}

void TXTcl::Send(const QString& command)
{
    SendRequest(this, command);
}

void TXTcl::SendRequest(TXTclBase* origin, const QString& command)
{
    const TLinkState state = LinkState();
    if (state == TLinkState::Down)
        throw Exception(QStringLiteral("TXTcl.Send - Error in external process"));
    const QByteArray framed = TXTclWire::Frame(command);
    if (state == TLinkState::Connected) {
        SendText(framed);
    } else {
        if (!FPendingCommands)
            FPendingCommands.emplace();
        FPendingCommands->append(framed);
    }
    FLink.Waiting.append(origin);
}

TLinkState TXTcl::LinkState() const
{
    if (FConnection != 0)
        return TLinkState::Connected;
    if (FLaunched)
        return TLinkState::Starting;
    return TLinkState::Down;
}

void TXTcl::SendText(const QByteArray& text)
{
    FSocket->Write(FConnection, text);
}

void TXTcl::registerClient(TXTclClient* client)
{
    if (FClients.contains(client))
        throw Exception(QStringLiteral("TXTcl.registerClient - clint already registered"));
    FClients.append(client);
}

void TXTcl::unregisterClient(TXTclClient* client)
{
    DropWaiting(client);
    FClients.removeAll(client);
}

void TXTcl::DropWaiting(TXTclClient* client)
{
    FLink.DropWaiting(client);
}
