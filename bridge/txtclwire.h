#pragma once

#include "txtclbase.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

// Framing of the slave link, in bytes. Commands go out as UTF-8 followed by CR LF;
// replies come back as a kind byte, a text and the delimiter "!@#\r\n". The receive
// buffer holds bytes, since a read may end inside a UTF-8 sequence; a message is
// decoded only when it is dispatched.
namespace TXTclWire {
inline constexpr char Delimiter[] = "!@#\r\n";
inline constexpr qsizetype DelimiterLength = 5;
inline constexpr char KindResult = '0';
inline constexpr char KindData = '4';
inline constexpr char KindAsyncData = '9';

// The command text framed for sending.
[[nodiscard]] QByteArray Frame(const QString& command);
// Appends the bytes read up to the first zero byte (all of them when there is none).
void AppendRead(QByteArray& buffer, const char* data, qsizetype count);
// Cuts the first complete message out of the buffer (delimiter dropped); false when
// the buffer holds no delimiter.
[[nodiscard]] bool TakeMessage(QByteArray& buffer, QByteArray& message);
} // namespace TXTclWire

// One connection's receiving end, free of sockets: the receive buffer, the waiting
// queue (oldest first; an entry whose client went away is nullptr) and the scratch
// list for data replies, with the dispatch of complete messages to their origins.
//
// Re-entrancy: any event may pump messages, send, or destroy the component that owns
// this link. Each read is appended before anything is dispatched, each message is cut
// out before its dispatch, and a completing reply leaves the queue before its event
// runs; after every dispatch the link checks that it still exists.
class TReplyLink {
public:
    // owner: its interpreter splits asynchronous data; asyncData: its OnAsyncData.
    TReplyLink(TTcl& owner, const TXTclDataProc& asyncData);
    ~TReplyLink();

    TReplyLink(const TReplyLink&) = delete;
    TReplyLink& operator=(const TReplyLink&) = delete;

    QByteArray Buffer;         // received bytes not yet ending in a delimiter
    QList<TXTclBase*> Waiting; // one entry per command sent or queued
    QStringList Args;          // elements of the latest data reply

    // The text of one read (up to its first zero byte) appended, then every
    // complete message dispatched in order. A failure of one message is shown as
    // "TXTclSocket.socketOnData - " and its message; the next message still goes.
    void Receive(QObject* Sender, const char* data, qsizetype count);
    // One message: raises "List index out of bounds" when a reply needs an origin and
    // the queue is empty; errors of the events themselves are shown here with their
    // prefixes and go no further.
    void DispatchReply(QObject* Sender, const QByteArray& message);
    // Every entry of origin becomes empty; the queue keeps its length.
    void DropWaiting(const TXTclBase* origin);

private:
    TTcl& FOwner;
    const TXTclDataProc& FAsyncData;
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};
