#pragma once

#include "ttcpserver.h"

#include <QList>
#include <QString>
#include <memory>

class TXTcl;

// The listening socket behind the slave link, shared by up to ten TXTcl components:
// it starts each component's slave with its port on the command line, gives each
// accepted connection to the earliest registered component still waiting for one,
// and turns data notifications into reply dispatch. It is the Sender of every
// event of the link.
class TXTclSocket : public TTCPServer {
    Q_OBJECT
public:
    // Listens at once on 127.0.0.1, port chosen by the system; a failure raises the
    // system's description of the error.
    TXTclSocket();
    ~TXTclSocket() override;

    // The socket a newly constructed TXTcl joins: the current shared one, or a new
    // one when there is none or ten components are registered with it.
    [[nodiscard]] static std::shared_ptr<TXTclSocket> Attach();
    // The current shared socket, or nullptr.
    [[nodiscard]] static TXTclSocket* SharedSocket();
    // Called by a departing TXTcl: the shared socket is given up once its list is empty.
    static void Leave(TXTclSocket* socket);

    void RegisterExtTcl(TXTcl* extTcl);
    void UnregisterExtTcl(TXTcl* extTcl);
    [[nodiscard]] TXTcl* FindExtTcl(TSocketHandle socket) const;
    void ExecProcess(TXTcl* extTcl);
    // The slave's command line for the component, as ExecProcess starts it.
    [[nodiscard]] QString CommandLine(TXTcl* extTcl) const;

    [[nodiscard]] const QList<TXTcl*>& ExtTclList() const { return extTclList; }

private:
    void serverOnAccept(QObject* Sender, TSocketHandle Socket);
    void socketOnData(QObject* Sender, TSocketHandle Socket);
    void serverOnClose(QObject* Sender, TSocketHandle Socket);
    [[noreturn]] void socketOnError(QObject* Sender, int Error, const QString& Msg);

    QList<TXTcl*> extTclList;
    char FReadBuffer[17] = {};
};
