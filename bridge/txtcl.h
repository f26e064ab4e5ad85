#pragma once

#include "ttcpserver.h"
#include "txtclbase.h"
#include "txtclwire.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class TXTclClient;
class TXTclSocket;

enum class TLinkState { Starting = 0, Connected = 1, Down = 2 };

using TXTclLoadedProcedure = std::function<void()>;
using TXTclConnectProc = std::function<void(QObject* Sender)>;
using TXTclCloseProc = std::function<void(QObject* Sender)>;

// The slave link server a window places to get a Tcl slave. Loaded() starts the
// slave, which connects back to the shared listening socket; commands of this
// component and of its request clients go over that one connection, and every reply
// goes to the component at the head of the waiting queue.
class TXTcl : public TXTclBase {
    Q_OBJECT
public:
    explicit TXTcl(QObject* owner = nullptr);
    ~TXTcl() override;

    // The "loaded" notification: the holding window calls it after setupUi and
    // before its creation step. Runs OnLoaded, then registers with the socket,
    // which starts the slave.
    void Loaded();

    // Raises "TXTcl.Send - Error in external process" when the link is Down.
    void Send(const QString& command) override;
    void SendRequest(TXTclBase* origin, const QString& command);
    [[nodiscard]] TLinkState LinkState() const;

    void registerClient(TXTclClient* client);
    void unregisterClient(TXTclClient* client);

    TXTclLoadedProcedure OnLoaded;
    TXTclConnectProc OnConnect;
    TXTclCloseProc OnClose;
    TXTclDataProc OnAsyncData;
    bool Debug = false;
    QString DebugFile;

    // --- inspection (tests, diagnostics) ----------------------------------------
    [[nodiscard]] TXTclSocket* Socket() const { return FSocket.get(); }
    [[nodiscard]] const QByteArray& ReceiveBuffer() const { return FLink.Buffer; }
    [[nodiscard]] const QList<TXTclBase*>& Waiting() const { return FLink.Waiting; }
    [[nodiscard]] const QList<TXTclClient*>& Clients() const { return FClients; }
    [[nodiscard]] int PendingCount() const { return FPendingCommands ? int(FPendingCommands->size()) : 0; }

private:
    friend class TXTclSocket;

    void SendText(const QByteArray& text);
    void DropWaiting(TXTclClient* client);

    TReplyLink FLink{*this, OnAsyncData}; // FArgs, FWaiting, FBuffer
    std::optional<QList<QByteArray>> FPendingCommands;
    QList<TXTclClient*> FClients;
    // Shared by the components of one socket; the socket lives as long as any of
    // them refers to it, so a component that never registered or whose slave has
    // gone never holds a dangling one.
    std::shared_ptr<TXTclSocket> FSocket;
    TSocketHandle FConnection = 0;
    bool FLaunched = false;
};
