#include "txtclclient.h"

#include "exception.h"
#include "txtcl.h"

TXTclClient::TXTclClient(QObject* owner)
    : TXTclBase(owner)
{
}

TXTclClient::~TXTclClient()
{
    if (FServer != nullptr)
        FServer->unregisterClient(this);
}

void TXTclClient::Send(const QString& command)
{
    if (FServer == nullptr)
        throw Exception(QStringLiteral("TXTclClient.Send - Server property not set.  Cannot send."));
    FServer->SendRequest(this, command);
}

void TXTclClient::setServer(TXTcl* server)
{
    if (FServer != nullptr)
        FServer->unregisterClient(this);
    FServer = nullptr;
    if (server != nullptr)
        server->registerClient(this);
    FServer = server;
}
