#pragma once

#include <QString>
#include <exception>
#include <functional>

// The boundary between an event handler and the Qt event loop: a failure that
// escapes the handler is shown by the default error display (a modal box titled
// "MIB Browser" with the message) and the program goes on. No exception ever
// unwinds through Qt or Tcl.
class HandlerGuard {
public:
    // Runs the handler; returns false when it failed (the failure has been shown).
    static bool run(const std::function<void()>& handler) noexcept;
    // Shows the exception currently being handled (call from a catch block).
    static void showCurrentException() noexcept;
    // The message of a failure: Exception's Message(), else what().
    [[nodiscard]] static QString messageOf(const std::exception& failure);
};
