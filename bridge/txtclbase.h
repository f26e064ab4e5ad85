#pragma once

#include "ttcl.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

// Reply events of the slave link. Sender is always the link's socket object
// (TXTclSocket), never the component whose event it is.
using TXTclDataProc = std::function<void(QObject* Sender, const QStringList& args)>;
using TXTclResultProc = std::function<void(QObject* Sender, const QString& result)>;
using TXTclErrorProc = std::function<void(QObject* Sender, const QString& error)>;

// What the slave link server and its request clients share: an in-process
// interpreter, the three reply events, and Send. An empty event is unassigned: the
// reply is consumed without effect.
class TXTclBase : public TTcl {
    Q_OBJECT
public:
    explicit TXTclBase(QObject* owner = nullptr);

    TXTclDataProc OnData;
    TXTclResultProc OnResult;
    TXTclErrorProc OnError;

    virtual void Send(const QString& command) = 0;
};
