#include "testagent.h"
#include "loopbackaddress.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// SNMPv2c GetRequest, community "public", for sysDescr.0 (1.3.6.1.2.1.1.1.0).
const unsigned char kProbe[] = {
    0x30, 0x26, 0x02, 0x01, 0x01, 0x04, 0x06, 'p',  'u',  'b',  'l',  'i',  'c',  0xa0,
    0x19, 0x02, 0x01, 0x01, 0x02, 0x01, 0x00, 0x02, 0x01, 0x00, 0x30, 0x0e, 0x30, 0x0c,
    0x06, 0x08, 0x2b, 0x06, 0x01, 0x02, 0x01, 0x01, 0x01, 0x00, 0x05, 0x00};

class Socket {
public:
    explicit Socket() : fd_(socket(AF_INET, SOCK_DGRAM, 0)) {}
    ~Socket()
    {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    Socket(const Socket &) = delete;
    Socket &operator=(const Socket &) = delete;
    [[nodiscard]] int fd() const { return fd_; }

private:
    int fd_ = -1;
};

bool runAsAgentUser()
{
    return geteuid() == 0 && getpwnam("Debian-snmp") != nullptr;
}

} // namespace

int TestAgent::freePort()
{
    Socket s;
    sockaddr_in addr = loopbackAddress(0);
    if (s.fd() < 0 || bind(s.fd(), reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        throw std::runtime_error("TestAgent: cannot bind a UDP socket on 127.0.0.1");
    }
    socklen_t len = sizeof addr;
    getsockname(s.fd(), reinterpret_cast<sockaddr *>(&addr), &len);
    return ntohs(addr.sin_port);
}

TestAgent::TestAgent()
{
    // As root the agent runs as Debian-snmp, which must reach the folder: /tmp
    // is open to every user, a TMPDIR under /root would not be.
    const std::filesystem::path base =
        runAsAgentUser() ? std::filesystem::path("/tmp") : std::filesystem::temp_directory_path();
    std::string pattern = (base / "olvarin-agent-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
        throw std::runtime_error("TestAgent: cannot create a temporary folder");
    }
    folder_ = buffer.data();
    // Several tries: another process may take the port between the probe and
    // the agent's bind.
    std::string lastError;
    for (int attempt = 0; attempt < 5; ++attempt) {
        port_ = freePort();
        const std::string command = "sh '" OLVARIN_SOURCE_DIR "/tests/support/snmpd-config.sh' '" + folder_ + "' " +
                                    std::to_string(port_);
        if (std::system(command.c_str()) != 0) {
            std::filesystem::remove_all(folder_);
            throw std::runtime_error("TestAgent: snmpd-config.sh failed");
        }
        try {
            start();
            return;
        } catch (const std::runtime_error &e) {
            lastError = e.what();
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    throw std::runtime_error(lastError);
}

TestAgent::~TestAgent()
{
    stop();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string TestAgent::address() const
{
    return "127.0.0.1:" + std::to_string(port_);
}

std::string TestAgent::log() const
{
    std::ifstream in(folder_ + "/snmpd.log");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void TestAgent::start()
{
    if (pid_ > 0) {
        return;
    }
    const std::string conf = folder_ + "/snmpd.conf";
    const std::string logFile = folder_ + "/snmpd.log";
    const std::string persistent = folder_ + "/persist";
    std::vector<std::string> args;
    if (runAsAgentUser()) {
        args = {"setpriv", "--reuid=Debian-snmp", "--regid=Debian-snmp", "--clear-groups"};
    }
    // -m "": the agent loads no MIB modules; -I -smux: no SMUX listener. The
    // listening address comes from the configuration (agentaddress).
    for (const char *arg : {"snmpd", "-f", "-C", "-c", conf.c_str(), "-m", "", "-I", "-smux", "-A", "-Lf",
                            logFile.c_str()}) {
        args.emplace_back(arg);
    }
    std::vector<char *> argv;
    for (auto &arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("TestAgent: fork failed");
    }
    if (pid == 0) {
        setenv("SNMP_PERSISTENT_DIR", persistent.c_str(), 1);
        unsetenv("MIBS");
        unsetenv("MIBDIRS");
        std::freopen("/dev/null", "r", stdin);
        std::freopen((folder_ + "/snmpd.out").c_str(), "a", stdout);
        std::freopen((folder_ + "/snmpd.out").c_str(), "a", stderr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    pid_ = pid;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            throw std::runtime_error("TestAgent: snmpd exited at start on " + address() + ":\n" + log());
        }
        if (answers()) {
            return;
        }
    }
    stop();
    throw std::runtime_error("TestAgent: snmpd did not answer on " + address() + ":\n" + log());
}

bool TestAgent::answers() const
{
    Socket s;
    if (s.fd() < 0) {
        return false;
    }
    const sockaddr_in addr = loopbackAddress(port_);
    if (sendto(s.fd(), kProbe, sizeof kProbe, 0, reinterpret_cast<const sockaddr *>(&addr), sizeof addr) < 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return false;
    }
    pollfd p {s.fd(), POLLIN, 0};
    if (poll(&p, 1, 200) <= 0) {
        return false;
    }
    unsigned char reply[1500];
    return recv(s.fd(), reply, sizeof reply, 0) > 0;
}

void TestAgent::stop()
{
    if (pid_ <= 0) {
        return;
    }
    kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 100; ++i) {
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_ || (done < 0 && errno == ECHILD)) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
    pid_ = -1;
}
