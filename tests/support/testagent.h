#ifndef OLVARIN_TESTS_TESTAGENT_H
#define OLVARIN_TESTS_TESTAGENT_H

// The SNMP agent every SNMP test talks to: Debian's snmpd on 127.0.0.1 at a
// free UDP port, configured by tests/support/snmpd-config.sh in a temporary
// folder of its own, run as Debian-snmp when the tests run as root. It is a
// direct child of the test process, stopped by its pid and reaped; the folder
// goes with the object.
//
//   community "public"   read-only
//   community "private"  read-write, writes reach the system group only
//   SNMPv3 user "olvarin", SHA "olvarin-auth-pass", AES "olvarin-priv-pass"

#include <string>
#include <sys/types.h>

class TestAgent {
public:
    static constexpr const char *kReadCommunity = "public";
    static constexpr const char *kWriteCommunity = "private";
    static constexpr const char *kUser = "olvarin";
    static constexpr const char *kAuthPassword = "olvarin-auth-pass";
    static constexpr const char *kPrivPassword = "olvarin-priv-pass";

    // Starts the agent and waits until it answers; throws std::runtime_error
    // (with the agent's log) when it does not come up.
    explicit TestAgent();
    ~TestAgent();
    TestAgent(const TestAgent &) = delete;
    TestAgent &operator=(const TestAgent &) = delete;

    [[nodiscard]] int port() const { return port_; }
    // "127.0.0.1:PORT"
    [[nodiscard]] std::string address() const;
    [[nodiscard]] std::string folder() const { return folder_; }
    [[nodiscard]] bool running() const { return pid_ > 0; }

    // Stop and start again on the same port and configuration (restart tests).
    void stop();
    void start();

    // A UDP port on 127.0.0.1 that nothing listens on at the moment.
    [[nodiscard]] static int freePort();

private:
    [[nodiscard]] bool answers() const;
    [[nodiscard]] std::string log() const;

    std::string folder_;
    int port_ = 0;
    pid_t pid_ = -1;
};

#endif
