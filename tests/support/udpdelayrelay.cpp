#include "udpdelayrelay.h"
#include "loopbackaddress.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <deque>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int boundSocket()
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return -1;
    }
    sockaddr_in addr = loopbackAddress(0);
    if (bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// A client of the relay, by its address, with the socket that speaks for it to the agent.
struct Client {
    sockaddr_in address {};
    int upstream = -1;
};

struct Held {
    Clock::time_point due;
    int upstream = -1;
    std::vector<char> bytes;
};

} // namespace

UdpDelayRelay::UdpDelayRelay(int agentPort, std::chrono::milliseconds delay)
    : agentPort_(agentPort), delayMs_(static_cast<int>(delay.count()))
{
    listenFd_ = boundSocket();
    if (listenFd_ < 0 || pipe(wakeFds_) != 0) {
        if (listenFd_ >= 0) {
            close(listenFd_);
        }
        throw std::runtime_error("UdpDelayRelay: cannot open its sockets");
    }
    sockaddr_in addr {};
    socklen_t len = sizeof addr;
    getsockname(listenFd_, reinterpret_cast<sockaddr *>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { run(); });
}

UdpDelayRelay::~UdpDelayRelay()
{
    const char stop = 'x';
    (void)!write(wakeFds_[1], &stop, 1);
    thread_.join();
    close(wakeFds_[0]);
    close(wakeFds_[1]);
    close(listenFd_);
}

std::string UdpDelayRelay::address() const
{
    return "127.0.0.1:" + std::to_string(port_);
}

void UdpDelayRelay::run()
{
    const sockaddr_in agent = loopbackAddress(agentPort_);
    std::map<std::pair<uint32_t, uint16_t>, Client> clients;
    std::deque<Held> held; // due times grow with arrival unless the delay is lowered
    char buffer[65536];

    for (;;) {
        std::vector<pollfd> fds {{wakeFds_[0], POLLIN, 0}, {listenFd_, POLLIN, 0}};
        std::vector<const Client *> byIndex;
        for (const auto &[key, client] : clients) {
            fds.push_back({client.upstream, POLLIN, 0});
            byIndex.push_back(&client);
        }
        int wait = -1;
        if (!held.empty()) {
            const auto next = std::min_element(held.begin(), held.end(),
                                               [](const Held &a, const Held &b) { return a.due < b.due; });
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(next->due - Clock::now());
            wait = static_cast<int>(std::max<long long>(0, left.count()));
        }
        (void)poll(fds.data(), fds.size(), wait);

        if (fds[0].revents != 0) {
            break;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            sockaddr_in from {};
            socklen_t len = sizeof from;
            const ssize_t n = recvfrom(listenFd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&from), &len);
            if (n > 0) {
                Client &client = clients[{from.sin_addr.s_addr, from.sin_port}];
                if (client.upstream < 0) {
                    client.address = from;
                    client.upstream = boundSocket();
                }
                held.push_back({Clock::now() + std::chrono::milliseconds(delayMs_.load()), client.upstream,
                                std::vector<char>(buffer, buffer + n)});
                ++requests_;
            }
        }
        for (size_t i = 0; i < byIndex.size(); ++i) {
            if ((fds[i + 2].revents & POLLIN) == 0) {
                continue;
            }
            const ssize_t n = recv(byIndex[i]->upstream, buffer, sizeof buffer, 0);
            if (n > 0) {
                (void)sendto(listenFd_, buffer, static_cast<size_t>(n), 0,
                             reinterpret_cast<const sockaddr *>(&byIndex[i]->address), sizeof byIndex[i]->address);
                ++answers_;
            }
        }
        const auto now = Clock::now();
        for (auto it = held.begin(); it != held.end();) {
            if (it->due > now) {
                ++it;
                continue;
            }
            if (it->upstream >= 0) {
                (void)sendto(it->upstream, it->bytes.data(), it->bytes.size(), 0,
                             reinterpret_cast<const sockaddr *>(&agent), sizeof agent);
            }
            it = held.erase(it);
        }
    }
    for (auto &[key, client] : clients) {
        if (client.upstream >= 0) {
            close(client.upstream);
        }
    }
}
