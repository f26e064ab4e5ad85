// bench_link
//
// Moves the same replies from the real slave (ostrane running KrSlave.tcl) to this
// process twice: through the browser's slave link (TXTcl, its 16-byte reads with the
// message queue drained before each) and through a plain loopback TCP connection
// read in large chunks by a blocking loop. Two cases, each one command at a time:
//   large  4 commands answered by 1 MiB each
//   small  3000 commands answered by 100 bytes each
// Prints "<case>.<side>.bytes<TAB>N" and "<case>.<side>.seconds<TAB>S" for the sides
// "link" and "tcp".
#include "benchbrowser.h"
#include "txtclclient.h"

#include <QProcess>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct Case {
    const char* name;
    int commands;
    int replyLength;
};

const Case Cases[] = {{"large", 4, 1 << 20}, {"small", 3000, 100}};

QString command(const Case& c)
{
    return QStringLiteral("string repeat x %1").arg(c.replyLength);
}

bool runLink(const Case& c)
{
    TXTcl link;
    link.Loaded();
    if (!bench::waitFor([&] { return link.LinkState() == TLinkState::Connected; }, 30000)) {
        bench::note(QStringLiteral("the slave did not connect"));
        return false;
    }
    TXTclClient client;
    client.setServer(&link);
    int answered = 0;
    qint64 bytes = 0;
    bool failed = false;
    const QString text = command(c);
    client.OnResult = [&](QObject*, const QString& result) {
        bytes += result.size() + 1 + 5;
        if (++answered < c.commands)
            client.Send(text);
    };
    client.OnError = [&](QObject*, const QString& error) {
        bench::note(QStringLiteral("error reply: ") + error);
        failed = true;
    };
    QElapsedTimer clock;
    clock.start();
    client.Send(text);
    if (!bench::waitFor([&] { return failed || answered == c.commands; }, 600000) || failed)
        return false;
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    bench::result(QStringLiteral("%1.link.bytes").arg(QLatin1String(c.name)), static_cast<double>(bytes));
    bench::result(QStringLiteral("%1.link.seconds").arg(QLatin1String(c.name)), seconds);
    return true;
}

class Fd {
public:
    explicit Fd(int fd) : FFd(fd) {}
    ~Fd()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    [[nodiscard]] int get() const { return FFd; }

private:
    int FFd = -1;
};

bool sendAll(int fd, const QByteArray& data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(fd, data.constData() + done, static_cast<size_t>(data.size() - done), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

bool runTcp(const Case& c)
{
    Fd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener.get() < 0 || ::bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::listen(listener.get(), 1) != 0
        || ::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return false;

    QProcess slave;
    slave.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    slave.start(QStringLiteral("ostrane"),
                {QCoreApplication::applicationDirPath() + QStringLiteral("/../share/olvarin/KrSlave.tcl"),
                 QString::number(ntohs(address.sin_port))});
    Fd connection(::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (connection.get() < 0)
        return false;
    const int on = 1;
    (void)::setsockopt(connection.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);

    const QByteArray text = command(c).toUtf8() + "\r\n";
    std::vector<char> chunk(1 << 16);
    QByteArray pending;
    qint64 bytes = 0;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < c.commands; ++i) {
        if (!sendAll(connection.get(), text))
            return false;
        // One reply: read until its delimiter has come (looked for in the new bytes only).
        qsizetype searched = 0;
        for (;;) {
            const qsizetype at = pending.indexOf("!@#\r\n", searched);
            if (at >= 0) {
                bytes += at + 5;
                pending.remove(0, at + 5);
                break;
            }
            const ssize_t n = ::recv(connection.get(), chunk.data(), chunk.size(), 0);
            if (n <= 0)
                return false;
            searched = qMax<qsizetype>(0, pending.size() - 4);
            pending.append(chunk.data(), n);
        }
    }
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    ::shutdown(connection.get(), SHUT_RDWR);
    slave.waitForFinished(10000);
    bench::result(QStringLiteral("%1.tcp.bytes").arg(QLatin1String(c.name)), static_cast<double>(bytes));
    bench::result(QStringLiteral("%1.tcp.seconds").arg(QLatin1String(c.name)), seconds);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    bench::Environment environment(argc, argv);
    for (const Case& c : Cases) {
        if (!runLink(c) || !runTcp(c)) {
            bench::note(QStringLiteral("case %1 failed").arg(QLatin1String(c.name)));
            return 1;
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return 0;
}
