#include "txtclwire.h"

#include "dialogs.h"
#include "exception.h"

#include <algorithm>
#include <cstring>

namespace TXTclWire {

QByteArray Frame(const QString& command)
{
    QByteArray framed = command.toUtf8();
    framed.append("\r\n", 2);
    return framed;
}

void AppendRead(QByteArray& buffer, const char* data, qsizetype count)
{
    if (count <= 0)
        return;
    const void* zero = std::memchr(data, 0, static_cast<size_t>(count));
    const qsizetype length = zero == nullptr ? count : static_cast<const char*>(zero) - data;
    buffer.append(data, length);
}

bool TakeMessage(QByteArray& buffer, QByteArray& message)
{
    const qsizetype at = buffer.indexOf(QByteArrayView(Delimiter, DelimiterLength));
    if (at < 0)
        return false;
    message = buffer.left(at);
    buffer.remove(0, at + DelimiterLength);
    return true;
}

} // namespace TXTclWire

namespace {

// One event call: whatever the handler raises is shown with the event's prefix and
// goes no further. The handler is copied first: it may destroy the object holding it.
template <typename Proc, typename... Args>
void callGuarded(const char* prefix, const Proc& event, Args&&... args)
{
    if (!event)
        return;
    const Proc handler = event;
    try {
        handler(std::forward<Args>(args)...);
    } catch (const Exception& e) {
        Dialogs::ShowError(QString::fromLatin1(prefix) + QLatin1Char(' ') + e.Message());
    } catch (const std::exception& e) {
        Dialogs::ShowError(QString::fromLatin1(prefix) + QLatin1Char(' ') + QString::fromLocal8Bit(e.what()));
    }
}

} // namespace

TReplyLink::TReplyLink(TTcl& owner, const TXTclDataProc& asyncData)
    : FOwner(owner)
    , FAsyncData(asyncData)
{
}

TReplyLink::~TReplyLink()
{
    *FAlive = false;
}

void TReplyLink::Receive(QObject* Sender, const char* data, qsizetype count)
{
    const std::shared_ptr<bool> alive = FAlive;
    // The buffer never holds a whole message on entry: only the new bytes, with the
    // few before them that may begin a delimiter, can end one. Searching the whole
    // buffer at every read of 16 bytes would cost the square of a long reply.
    const qsizetype from = std::max<qsizetype>(0, Buffer.size() - (TXTclWire::DelimiterLength - 1));
    TXTclWire::AppendRead(Buffer, data, count);
    if (Buffer.indexOf(QByteArrayView(TXTclWire::Delimiter, TXTclWire::DelimiterLength), from) < 0)
        return;
    QByteArray message;
    while (*alive && TXTclWire::TakeMessage(Buffer, message)) {
        try {
            DispatchReply(Sender, message);
        } catch (const Exception& e) {
            Dialogs::ShowError(QStringLiteral("TXTclSocket.socketOnData - ") + e.Message());
        } catch (const std::exception& e) {
            Dialogs::ShowError(QStringLiteral("TXTclSocket.socketOnData - ") + QString::fromLocal8Bit(e.what()));
        }
    }
}

void TReplyLink::DispatchReply(QObject* Sender, const QByteArray& message)
{
    const char kind = message.isEmpty() ? '\0' : message.at(0);
    const QString text = QString::fromUtf8(message.constData() + (message.isEmpty() ? 0 : 1),
                                           message.isEmpty() ? 0 : message.size() - 1);

    if (kind == TXTclWire::KindAsyncData) {
        if (!FAsyncData)
            return;
        (void)FOwner.SplitList(text, Args);
        // A copy: a nested dispatch during the event may refill Args.
        const QStringList args = Args;
        callGuarded("TXTclSocket.socketOnData - FAsyncData -", FAsyncData, Sender, args);
        return;
    }

    if (Waiting.isEmpty())
        throw Exception(QStringLiteral("List index out of bounds"));
    TXTclBase* origin = Waiting.first();
    if (kind != TXTclWire::KindData)
        Waiting.removeFirst();
    if (origin == nullptr)
        return;

    if (kind == TXTclWire::KindData) {
        if (!origin->OnData)
            return;
        (void)origin->SplitList(text, Args);
        const QStringList args = Args;
        callGuarded("TXTclSocket.socketOnData - FData -", origin->OnData, Sender, args);
    } else if (kind == TXTclWire::KindResult) {
        callGuarded("TXTclSocket.socketOnData - FResult -", origin->OnResult, Sender, text);
    } else {
        callGuarded("TXTclSocket.socketOnData - FError -", origin->OnError, Sender, text);
    }
}

void TReplyLink::DropWaiting(const TXTclBase* origin)
{
    for (TXTclBase*& entry : Waiting) {
        if (entry == origin)
            entry = nullptr;
    }
}
