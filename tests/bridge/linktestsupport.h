#pragma once

// Helpers of the slave link tests: stand-in helper programs on PATH, a loopback peer
// that plays the slave byte by byte, and waiting on Qt's event loop.

#include "tclcomp.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <cerrno>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace linktest {

inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::usleep(500);
    }
    return true;
}

// Lets the event loop run for a while, for checks that something does NOT happen.
inline void settle(int ms = 150)
{
    (void)waitUntil([] { return false; }, ms);
}

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : FName(name)
        , FHad(qEnvironmentVariableIsSet(name))
        , FOld(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (FHad)
            qputenv(FName, FOld);
        else
            qunsetenv(FName);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* FName;
    bool FHad;
    QByteArray FOld;
};

// A folder with stand-ins for "ostrane" and "tclsh76" that start no slave at all:
// they end at once (after listing their open descriptors when asked to), so the test
// itself plays the slave on the listening port.
inline QString fakeHelperDir()
{
    static QTemporaryDir dir;
    static const bool made = [] {
        const QByteArray script = "#!/bin/sh\n"
                                  "if [ -n \"$OLVARIN_FDS_FILE\" ]; then ls -l /proc/$$/fd > \"$OLVARIN_FDS_FILE\"; fi\n"
                                  "if [ -n \"$OLVARIN_ARGS_FILE\" ]; then for a in \"$@\"; do echo \"$a\"; done > \"$OLVARIN_ARGS_FILE\"; fi\n"
                                  "exit 0\n";
        for (const char* name : {"ostrane", "tclsh76"}) {
            QFile file(dir.filePath(QString::fromLatin1(name)));
            if (!file.open(QIODevice::WriteOnly))
                return false;
            file.write(script);
            file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }
        return true;
    }();
    (void)made;
    return dir.path();
}

// PATH with the stand-ins first, for one scope.
class FakeHelpersOnPath {
public:
    FakeHelpersOnPath()
        : FPath("PATH", (fakeHelperDir() + QLatin1Char(':')).toLocal8Bit() + qgetenv("PATH"))
    {
    }

private:
    ScopedEnv FPath;
};

// The slave's end of the link, played by the test over a real loopback connection.
class Peer {
public:
    Peer() = default;
    ~Peer() { Close(); }
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    bool Connect(const QString& port)
    {
        FFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port.toUInt()));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return FFd >= 0 && ::connect(FFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }

    void Write(const QByteArray& bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::send(FFd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
            if (n <= 0)
                return;
            done += n;
        }
    }

    // Reads until `lines` command lines (CR LF ended) have arrived, or the time is up.
    QByteArray ReadLines(int lines, int timeoutMs = 5000)
    {
        QElapsedTimer timer;
        timer.start();
        while (FReceived.count("\r\n") < lines && timer.elapsed() < timeoutMs) {
            // The link keeps running meanwhile: its handlers may be the ones writing.
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            pollfd wait{FFd, POLLIN, 0};
            if (::poll(&wait, 1, 2) <= 0)
                continue;
            char chunk[256];
            const ssize_t n = ::recv(FFd, chunk, sizeof chunk, 0);
            if (n <= 0)
                break;
            FReceived.append(chunk, n);
        }
        qsizetype end = 0;
        for (int i = 0; i < lines; ++i) {
            const qsizetype at = FReceived.indexOf("\r\n", end);
            if (at < 0)
                break;
            end = at + 2;
        }
        const QByteArray taken = FReceived.left(end);
        FReceived.remove(0, end);
        return taken;
    }

    // Closes with a reset instead of an orderly shutdown.
    void Reset()
    {
        const linger hard{1, 0};
        (void)::setsockopt(FFd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        Close();
    }

    void Close()
    {
        if (FFd >= 0)
            ::close(FFd);
        FFd = -1;
    }

private:
    int FFd = -1;
    QByteArray FReceived;
};

} // namespace linktest
