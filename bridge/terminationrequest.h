#pragma once

// The application's termination request. Posted before the message loop runs (the
// start-up recovery) or from any handler; the loop ends as soon as it sees it, and
// the slave link's message pump stops reading when one is pending.
class TerminationRequest {
public:
    static void Post();
    [[nodiscard]] static bool Pending();
    static void Reset(); // for tests
};
