#pragma once

#include <QObject>
#include <QString>
#include <QByteArray>
#include <functional>
#include <map>
#include <memory>

class QSocketNotifier;

// A connection of a TTCPServer as its users see it: a number that stays unique for
// the life of the process (never reused, unlike a descriptor), 0 meaning none.
using TSocketHandle = qintptr;

// The listening TCP socket behind the slave link, on plain POSIX sockets. Every
// notification arrives on the GUI thread through Qt's event loop (QSocketNotifier).
//
// Rules that the link's reader depends on:
//  - a data notification repeats while unread bytes remain, but a connection has
//    at most one outstanding: its notifier is switched off when it fires, and only
//    Read arms the next one (a handler that does not read gets no further ones):
//    the notifier again, or, after a read that filled its buffer, a zero-time
//    timer, as more bytes are most likely waiting;
//  - the peer's close is reported once, after every byte it sent has been read;
//  - connections are closed abortively (no lingering);
//  - a failed operation is reported through OnError with errno and the system's
//    description of it before the operation returns.
// An exception that a handler lets escape stops at the notification boundary and
// goes to the default error display; it never unwinds through Qt.
class TTCPServer : public QObject {
    Q_OBJECT
public:
    using TConnectionProc = std::function<void(QObject* Sender, TSocketHandle Socket)>;
    using TErrorProc = std::function<void(QObject* Sender, int Error, const QString& Msg)>;

    explicit TTCPServer(QObject* parent = nullptr);
    ~TTCPServer() override;

    TTCPServer(const TTCPServer&) = delete;
    TTCPServer& operator=(const TTCPServer&) = delete;

    // Service name or decimal number; "0" lets the system choose a free port.
    [[nodiscard]] QString Port() const { return FPort; }
    void setPort(const QString& port) { FPort = port; }

    // Listens on 127.0.0.1:Port with a backlog of 5. Only this machine may connect:
    // whoever connects first is taken for the slave.
    void Open();
    [[nodiscard]] bool IsOpen() const { return FListener >= 0; }
    // The listening socket's local port as decimal text (empty when not open).
    [[nodiscard]] QString LocalPort() const;

    // Reads up to max bytes; the count read (0 when nothing was waiting), negative
    // after a failure, which OnError has been told first. Re-arms the connection's
    // data notification.
    qsizetype Read(TSocketHandle socket, char* buffer, qsizetype max);
    // Writes every byte, waiting for the connection to take more as needed; a
    // failure goes to OnError and ends the write.
    void Write(TSocketHandle socket, const QByteArray& text);
    // Closes abortively and forgets the connection.
    void Close(TSocketHandle socket);
    [[nodiscard]] bool HasConnection(TSocketHandle socket) const;
    [[nodiscard]] int ConnectionCount() const { return static_cast<int>(FConnections.size()); }

    TConnectionProc OnAccept;
    TConnectionProc OnData;
    TConnectionProc OnClose;
    TErrorProc OnError;

protected:
    void timerEvent(QTimerEvent* event) override;

    // Closes every connection and the listener, without notifications.
    void Shutdown();

private:
    struct Connection {
        int fd = -1;
        QSocketNotifier* notifier = nullptr; // child of the server
        // The last read filled the buffer it was given: more bytes are most likely
        // waiting. The next notification then comes from a zero-time timer of the
        // server (redelivery, its id) and needs no look at the socket first.
        bool readFull = false;
        int redelivery = 0;
    };

    void ReportError(int error);
    void ListenerActivated();
    void ConnectionActivated(TSocketHandle socket);
    void CloseConnection(Connection& connection);
    [[nodiscard]] Connection* Find(TSocketHandle socket);
    [[nodiscard]] const Connection* Find(TSocketHandle socket) const;

    QString FPort = QStringLiteral("0");
    int FListener = -1;
    QSocketNotifier* FListenerNotifier = nullptr;
    std::map<TSocketHandle, Connection> FConnections;
};
