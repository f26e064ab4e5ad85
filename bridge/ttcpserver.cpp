#include "ttcpserver.h"

#include "dialogs.h"
#include "exception.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QTimerEvent>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

TSocketHandle LastHandle = 0;

// Whatever a notification handler lets escape ends here, not in Qt's event loop.
template <typename Fn>
void atNotificationBoundary(Fn&& fn)
{
    try {
        fn();
    } catch (const Exception& e) {
        Dialogs::defaultErrorDisplay(e.Message());
    } catch (const std::exception& e) {
        Dialogs::defaultErrorDisplay(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        Dialogs::defaultErrorDisplay(QStringLiteral("Unknown error"));
    }
}

bool parsePort(const QString& port, quint16& number)
{
    bool ok = false;
    const uint value = port.toUInt(&ok);
    if (ok) {
        if (value > 65535)
            return false;
        number = static_cast<quint16>(value);
        return true;
    }
    const QByteArray name = port.toLatin1();
    const servent* service = getservbyname(name.constData(), "tcp");
    if (service == nullptr)
        return false;
    number = ntohs(static_cast<uint16_t>(service->s_port));
    return true;
}

void closeAbortively(int fd)
{
    const linger hard{1, 0};
    (void)setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    (void)::close(fd);
}

} // namespace

TTCPServer::TTCPServer(QObject* parent)
    : QObject(parent)
{
}

TTCPServer::~TTCPServer()
{
    Shutdown();
}

void TTCPServer::Shutdown()
{
    for (auto& [handle, connection] : FConnections)
        CloseConnection(connection);
    FConnections.clear();
    if (FListenerNotifier != nullptr) {
        FListenerNotifier->setEnabled(false);
        FListenerNotifier->deleteLater();
        FListenerNotifier = nullptr;
    }
    if (FListener >= 0) {
        (void)::close(FListener);
        FListener = -1;
    }
}

void TTCPServer::ReportError(int error)
{
    if (OnError)
        OnError(this, error, QString::fromLocal8Bit(std::strerror(error)));
}

void TTCPServer::Open()
{
    if (FListener >= 0)
        return;
    quint16 port = 0;
    if (!parsePort(FPort, port)) {
        ReportError(EINVAL);
        return;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        ReportError(errno);
        return;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || ::listen(fd, 5) != 0) {
        const int error = errno;
        (void)::close(fd);
        ReportError(error);
        return;
    }
    FListener = fd;
    FListenerNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(FListenerNotifier, &QSocketNotifier::activated, this, [this] { ListenerActivated(); });
}

QString TTCPServer::LocalPort() const
{
    if (FListener < 0)
        return {};
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(FListener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return {};
    return QString::number(ntohs(address.sin_port));
}

void TTCPServer::ListenerActivated()
{
    atNotificationBoundary([this] {
        const int fd = ::accept4(FListener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED)
                ReportError(errno);
            return;
        }
        // Commands are small writes that wait for their reply: never held back for
        // coalescing (Nagle's algorithm).
        const int noDelay = 1;
        (void)::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
        const TSocketHandle handle = ++LastHandle;
        Connection connection;
        connection.fd = fd;
        connection.notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(connection.notifier, &QSocketNotifier::activated, this,
                [this, handle] { ConnectionActivated(handle); });
        FConnections.emplace(handle, connection);
        if (OnAccept)
            OnAccept(this, handle);
    });
}

void TTCPServer::ConnectionActivated(TSocketHandle socket)
{
    Connection* connection = Find(socket);
    if (connection == nullptr)
        return;
    // One notification at a time: the next one only after the handler has read.
    connection->notifier->setEnabled(false);
    const int fd = connection->fd;
    const bool dataLikely = connection->readFull;
    connection->readFull = false;
    atNotificationBoundary([this, socket, fd, dataLikely] {
        // A long reply arrives over many notifications, each of them one read: after
        // a read that filled its buffer the handler is called at once (its read finds
        // nothing in the rare case that the buffer took exactly the last bytes, and
        // the next notification looks again). Otherwise a look at the socket tells
        // data from the peer's close.
        if (dataLikely) {
            if (OnData)
                OnData(this, socket);
            return;
        }
        char probe = 0;
        const ssize_t n = ::recv(fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n > 0) {
            if (OnData)
                OnData(this, socket);
            return;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            if (Connection* again = Find(socket))
                again->notifier->setEnabled(true);
            return;
        }
        // End of stream, or the connection was reset: the peer is gone either way.
        if (OnClose)
            OnClose(this, socket);
    });
}

void TTCPServer::timerEvent(QTimerEvent* event)
{
    const int id = event->timerId();
    for (auto& [handle, connection] : FConnections) {
        if (connection.redelivery == id) {
            killTimer(id);
            connection.redelivery = 0;
            ConnectionActivated(handle);
            return;
        }
    }
    QObject::timerEvent(event);
}

qsizetype TTCPServer::Read(TSocketHandle socket, char* buffer, qsizetype max)
{
    Connection* connection = Find(socket);
    if (connection == nullptr) {
        ReportError(ENOTSOCK);
        return -1;
    }
    ssize_t n = 0;
    do {
        n = ::recv(connection->fd, buffer, static_cast<size_t>(max), MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    const int error = errno;
    connection->readFull = n == max && max > 0;
    if (connection->readFull) {
        // The rest of a long reply: the next notification comes from a zero-time timer,
        // not from the notifier, whose every switch on and off costs the event loop a
        // wake-up of its own. It still comes through the event loop, one at a time.
        if (connection->redelivery == 0)
            connection->redelivery = startTimer(0, Qt::PreciseTimer);
    } else {
        // Re-armed before anything is reported: a reset connection is then seen as
        // closed on the next notification.
        connection->notifier->setEnabled(true);
    }
    if (n < 0) {
        if (error == EAGAIN || error == EWOULDBLOCK)
            return 0;
        ReportError(error);
        return -1;
    }
    return n;
}

void TTCPServer::Write(TSocketHandle socket, const QByteArray& text)
{
    const Connection* connection = Find(socket);
    if (connection == nullptr) {
        ReportError(ENOTSOCK);
        return;
    }
    const int fd = connection->fd;
    qsizetype written = 0;
    while (written < text.size()) {
        const ssize_t n = ::send(fd, text.constData() + written, static_cast<size_t>(text.size() - written),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) {
            written += n;
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            pollfd wait{fd, POLLOUT, 0};
            (void)::poll(&wait, 1, -1);
            continue;
        }
        ReportError(errno);
        return;
    }
}

void TTCPServer::CloseConnection(Connection& connection)
{
    if (connection.redelivery != 0) {
        killTimer(connection.redelivery);
        connection.redelivery = 0;
    }
    if (connection.notifier != nullptr) {
        // Possibly inside this notifier's own activation: let Qt delete it later.
        connection.notifier->setEnabled(false);
        connection.notifier->deleteLater();
        connection.notifier = nullptr;
    }
    if (connection.fd >= 0) {
        closeAbortively(connection.fd);
        connection.fd = -1;
    }
}

void TTCPServer::Close(TSocketHandle socket)
{
    const auto it = FConnections.find(socket);
    if (it == FConnections.end())
        return;
    Connection connection = it->second;
    FConnections.erase(it);
    CloseConnection(connection);
}

bool TTCPServer::HasConnection(TSocketHandle socket) const
{
    return Find(socket) != nullptr;
}

TTCPServer::Connection* TTCPServer::Find(TSocketHandle socket)
{
    const auto it = FConnections.find(socket);
    return it == FConnections.end() ? nullptr : &it->second;
}

const TTCPServer::Connection* TTCPServer::Find(TSocketHandle socket) const
{
    const auto it = FConnections.find(socket);
    return it == FConnections.end() ? nullptr : &it->second;
}
