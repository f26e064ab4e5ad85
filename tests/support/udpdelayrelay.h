#ifndef OLVARIN_TESTS_UDPDELAYRELAY_H
#define OLVARIN_TESTS_UDPDELAYRELAY_H

// A slow agent for the time-out tests: a UDP relay on 127.0.0.1 in front of a real
// agent that holds every request for a set time before passing it on, and passes
// the agent's answers back at once. Each client address gets a socket of its own
// toward the agent, so several sessions can talk through one relay and each answer
// finds its way back to the session that asked.
//
// The relay runs on a thread of its own (the test's event loop must keep turning
// while a request is held); it is stopped and joined by the destructor.

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

class UdpDelayRelay {
public:
    // Throws std::runtime_error when no socket can be bound.
    UdpDelayRelay(int agentPort, std::chrono::milliseconds delay);
    ~UdpDelayRelay();
    UdpDelayRelay(const UdpDelayRelay &) = delete;
    UdpDelayRelay &operator=(const UdpDelayRelay &) = delete;

    [[nodiscard]] int port() const { return port_; }
    // "127.0.0.1:PORT"
    [[nodiscard]] std::string address() const;
    // Applies to requests that arrive from now on.
    void setDelay(std::chrono::milliseconds delay) { delayMs_ = static_cast<int>(delay.count()); }
    // Requests received so far (held or passed on), and answers passed back.
    [[nodiscard]] int requests() const { return requests_; }
    [[nodiscard]] int answers() const { return answers_; }

private:
    void run();

    int agentPort_ = 0;
    int listenFd_ = -1;
    int wakeFds_[2] = {-1, -1};
    int port_ = 0;
    std::atomic<int> delayMs_{0};
    std::atomic<int> requests_{0};
    std::atomic<int> answers_{0};
    std::thread thread_;
};

#endif
