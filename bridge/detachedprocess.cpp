#include "detachedprocess.h"

#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

bool isExecutableFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

// Marks every descriptor above 2 close-on-exec; only async-signal-safe calls here.
void closeInheritedDescriptors()
{
#ifdef SYS_close_range
    if (::syscall(SYS_close_range, 3U, ~0U, 4U /* CLOSE_RANGE_CLOEXEC */) == 0)
        return;
#endif
    const long max = ::sysconf(_SC_OPEN_MAX);
    for (long fd = 3; fd < (max > 0 ? max : 1024); ++fd) {
        const int flags = ::fcntl(static_cast<int>(fd), F_GETFD);
        if (flags >= 0)
            (void)::fcntl(static_cast<int>(fd), F_SETFD, flags | FD_CLOEXEC);
    }
}

void writeAll(int fd, const void* data, size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        p += n;
        size -= static_cast<size_t>(n);
    }
}

} // namespace

QString DetachedProcess::FindProgram(const QString& program)
{
    if (program.isEmpty())
        return {};
    if (program.contains(QLatin1Char('/')))
        return isExecutableFile(program) ? program : QString();
    const QString path = qEnvironmentVariable("PATH");
    for (const QString& dir : path.split(QLatin1Char(':'))) {
        const QString candidate = (dir.isEmpty() ? QStringLiteral(".") : dir) + QLatin1Char('/') + program;
        if (isExecutableFile(candidate))
            return candidate;
    }
    return {};
}

bool DetachedProcess::Start(const QStringList& argv, bool quiet)
{
    if (argv.isEmpty())
        return false;
    const QString program = FindProgram(argv.first());
    if (program.isEmpty())
        return false;

    // Everything the children need is prepared here: after fork only
    // async-signal-safe calls are made.
    const QByteArray path = program.toLocal8Bit();
    std::vector<QByteArray> words;
    words.reserve(static_cast<size_t>(argv.size()));
    for (const QString& word : argv)
        words.push_back(word.toLocal8Bit());
    std::vector<char*> args;
    for (QByteArray& word : words)
        args.push_back(word.data());
    args.push_back(nullptr);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return false;

    const pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (child == 0) {
        ::close(report[0]);
        (void)::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild < 0) {
            const int error = errno;
            writeAll(report[1], &error, sizeof error);
            ::_exit(127);
        }
        if (grandchild > 0)
            ::_exit(0);

        sigset_t none;
        sigemptyset(&none);
        (void)::sigprocmask(SIG_SETMASK, &none, nullptr);
        (void)::signal(SIGPIPE, SIG_DFL);
        if (quiet) {
            const int null = ::open("/dev/null", O_RDWR);
            if (null >= 0) {
                (void)::dup2(null, 0);
                (void)::dup2(null, 1);
                (void)::dup2(null, 2);
                if (null > 2)
                    ::close(null);
            }
        }
        closeInheritedDescriptors();
        ::execv(path.constData(), args.data());
        const int error = errno;
        writeAll(report[1], &error, sizeof error);
        ::_exit(127);
    }

    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // The pipe closes when exec succeeds; an errno arrives when it fails.
    int error = 0;
    ssize_t n = 0;
    do {
        n = ::read(report[0], &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    ::close(report[0]);
    if (n > 0)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
