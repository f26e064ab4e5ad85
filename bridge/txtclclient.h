#pragma once

#include "txtclbase.h"

class TXTcl;

// A request client: sends commands through its Server and receives exactly the
// replies to its own commands through its events. Unbinding (or rebinding, even to
// the same server) forgets every reply still owed to it.
class TXTclClient : public TXTclBase {
    Q_OBJECT
public:
    explicit TXTclClient(QObject* owner = nullptr);
    ~TXTclClient() override;

    // Raises "TXTclClient.Send - Server property not set.  Cannot send." when unbound.
    void Send(const QString& command) override;
    // Leaves the old server (its waiting replies dropped), joins the new one.
    void setServer(TXTcl* server);
    [[nodiscard]] TXTcl* Server() const { return FServer; }

private:
    TXTcl* FServer = nullptr;
};
