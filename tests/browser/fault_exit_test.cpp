// After the browser ends, nothing it started is left running: the real program is
// run on the offscreen platform and ended as a user ends it, then the process table
// is searched for its slave and agent.
//
// A desktop user closes the window; without a window manager here, the endings a
// user still causes from outside are the signals: SIGTERM (logout, kill), SIGINT
// (Ctrl-C in the terminal that ran the demo script) and SIGHUP (that terminal
// closed). The browser sets no handler for them: it ends at once, the system closes
// its end of the slave link, and the slave ends on its own when it reads the end of
// the stream. The demo script stops its agent from its exit trap.
//
// Every process of a run carries a mark in its environment, which it passes on to
// what it starts, so the search finds exactly that run's processes. A process that
// has ended but is not reaped (the detached slave's parent is pid 1, which in a
// container may reap nothing) stays as a zombie and counts as ended.
#include "processtable.h"
#include "testagent.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <functional>
#include <string>
#include <unistd.h>

namespace {

bool waitFor(const std::function<bool()>& done, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QThread::msleep(50);
    }
    return true;
}

// The inodes of the sockets a process has open.
std::vector<QByteArray> socketInodes(pid_t pid)
{
    std::vector<QByteArray> inodes;
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString& fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot)) {
        char target[64] = {};
        const QByteArray link = fds.filePath(fd).toLocal8Bit();
        if (::readlink(link.constData(), target, sizeof target - 1) > 0 && std::strncmp(target, "socket:[", 8) == 0)
            inodes.push_back(QByteArray(target + 8).chopped(1));
    }
    return inodes;
}

// Whether a process holds an established TCP connection: the slave once it has
// connected, the browser once it has accepted the slave (and so runs its loop).
bool hasConnection(pid_t pid)
{
    QFile table(QStringLiteral("/proc/%1/net/tcp").arg(pid));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const std::vector<QByteArray> own = socketInodes(pid);
    for (const QByteArray& line : table.readAll().split('\n')) {
        // sl local remote st tx:rx tr:when retrnsmt uid timeout inode ...
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() > 9 && f[3] == "01" && std::find(own.begin(), own.end(), f[9]) != own.end())
            return true;
    }
    return false;
}

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string describe(const std::vector<pid_t>& pids)
{
    std::string text;
    for (pid_t pid : pids) {
        text += std::to_string(pid) + " (" + processtable::state(pid) + "):";
        for (const std::string& a : processtable::arguments(pid))
            text += " " + a;
        text += "\n";
    }
    return text;
}

// One run of a program with its own mark and resource folder, in a process group of
// its own, as a terminal would start it.
class MarkedRun {
public:
    MarkedRun()
        : FMark("OLVARIN_TEST_RUN=" + std::to_string(::getpid()) + "-" + std::to_string(++Runs))
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString bin = QCoreApplication::applicationDirPath();
        env.insert(QStringLiteral("PATH"), bin + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), FConfig.path());
        const auto eq = FMark.find('=');
        env.insert(QString::fromStdString(FMark.substr(0, eq)), QString::fromStdString(FMark.substr(eq + 1)));
        FProcess.setProcessEnvironment(env);
        FProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        FProcess.setStandardOutputFile(QProcess::nullDevice());
        FProcess.setChildProcessModifier([] { (void)::setpgid(0, 0); });
    }
    ~MarkedRun()
    {
        // A failed test must not leave its run behind.
        if (FProcess.state() != QProcess::NotRunning) {
            (void)::kill(-pid_t(FProcess.processId()), SIGKILL);
            FProcess.waitForFinished(5000);
        }
        for (pid_t pid : processtable::withEnvironment(FMark))
            (void)::kill(pid, SIGKILL);
    }
    MarkedRun(const MarkedRun&) = delete;
    MarkedRun& operator=(const MarkedRun&) = delete;

    bool start(const QString& program, const QStringList& arguments)
    {
        FProcess.start(program, arguments);
        return FProcess.waitForStarted(10000);
    }
    [[nodiscard]] pid_t pid() const { return pid_t(FProcess.processId()); }
    [[nodiscard]] std::vector<pid_t> processes() const { return processtable::withEnvironment(FMark); }
    // The slave of the run, once the browser has accepted its connection (and so
    // runs its event loop); 0 before.
    [[nodiscard]] pid_t connectedSlave() const
    {
        pid_t slave = 0;
        pid_t browser = 0;
        for (pid_t pid : processes()) {
            const std::vector<std::string> args = processtable::arguments(pid);
            if (args.size() >= 2 && endsWith(args[1], "KrSlave.tcl"))
                slave = pid;
            else if (!args.empty() && endsWith(args[0], "Olvarin"))
                browser = pid;
        }
        return slave != 0 && browser != 0 && hasConnection(slave) && hasConnection(browser) ? slave : 0;
    }
    bool finished(int milliseconds) { return FProcess.waitForFinished(milliseconds); }

private:
    inline static int Runs = 0;
    std::string FMark;
    QTemporaryDir FConfig;
    QProcess FProcess;
};

struct Ending {
    const char* how;
    bool throughDemoScript; // scripts/run-browser.sh with its own demo agent
    int signal;
    bool toGroup;
};

class BrowserExit : public ::testing::TestWithParam<Ending> {};

TEST_P(BrowserExit, LeavesNoSlaveOrAgentOfItsRun)
{
    const Ending ending = GetParam();
    const QString bin = QCoreApplication::applicationDirPath();
    ASSERT_TRUE(QFile::exists(bin + QStringLiteral("/Olvarin"))) << "Olvarin is not built";

    std::unique_ptr<TestAgent> agent;
    MarkedRun run;
    if (ending.throughDemoScript) {
        ASSERT_TRUE(run.start(QStringLiteral(OLVARIN_SOURCE_DIR "/scripts/run-browser.sh"),
                              {QDir(bin + QStringLiteral("/..")).absolutePath()}));
    } else {
        agent = std::make_unique<TestAgent>();
        ASSERT_TRUE(run.start(bin + QStringLiteral("/Olvarin"),
                              {QStringLiteral("-address"), QString::fromStdString(agent->address())}));
    }
    pid_t slave = 0;
    ASSERT_TRUE(waitFor([&] { return (slave = run.connectedSlave()) != 0; }, 60000))
        << "no slave connected; the run's processes:\n" << describe(run.processes());
    const std::vector<pid_t> before = run.processes();
    if (ending.throughDemoScript) {
        bool agentRuns = false;
        for (pid_t pid : before)
            for (const std::string& a : processtable::arguments(pid))
                agentRuns = agentRuns || a == "snmpd";
        EXPECT_TRUE(agentRuns) << describe(before);
    }

    ASSERT_EQ(::kill(ending.toGroup ? -run.pid() : run.pid(), ending.signal), 0);
    ASSERT_TRUE(run.finished(30000)) << "still running after " << ending.how;
    EXPECT_TRUE(waitFor([&] { return run.processes().empty(); }, 20000))
        << "left after " << ending.how << ":\n" << describe(run.processes());
    // Also once its environment can no longer be read, while it is still exiting.
    EXPECT_TRUE(waitFor([&] { return processtable::ended(slave); }, 20000)) << describe({slave});

    if (agent) {
        // The test's own agent outlives the browser and is stopped by the test.
        const pid_t agentPid = [&] {
            for (pid_t pid : processtable::withArguments({"snmpd", agent->folder() + "/snmpd.conf"}))
                return pid;
            return pid_t(0);
        }();
        EXPECT_NE(agentPid, 0);
        agent.reset();
        EXPECT_TRUE(agentPid == 0 || processtable::ended(agentPid));
    }
}

INSTANTIATE_TEST_SUITE_P(AsAUserEndsIt, BrowserExit,
                         ::testing::Values(Ending{"SIGTERM to the browser", false, SIGTERM, false},
                                           Ending{"Ctrl-C in the demo script's terminal", true, SIGINT, true},
                                           Ending{"the demo script's terminal closed", true, SIGHUP, true}),
                         [](const ::testing::TestParamInfo<Ending>& info) {
                             return std::string(info.param.throughDemoScript ? "DemoScript" : "Browser")
                                    + (info.param.signal == SIGTERM ? "Sigterm"
                                       : info.param.signal == SIGINT ? "Sigint"
                                                                     : "Sighup");
                         });

} // namespace
