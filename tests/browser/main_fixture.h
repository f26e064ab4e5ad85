#pragma once
// Shared by the main window's tests: a private resource folder for every window,
// and waiting for the slave's replies with the event loop running.

#include "browsermain.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <memory>

namespace maintest {

// Processes events until the condition holds or the time is up; the condition's
// last value.
inline bool waitUntil(const std::function<bool()>& condition, int milliseconds = 15000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

// The user's resource folder of the Tcl side (init.tcl seeds XDG_CONFIG_HOME/olvarin
// from the installed files): one per test, so that no test sees another's file.
class ConfigHome {
public:
    ConfigHome()
    {
        qputenv("XDG_CONFIG_HOME", FDir.path().toUtf8());
    }
    [[nodiscard]] QString rcFolder() const { return FDir.path() + QStringLiteral("/olvarin"); }
    [[nodiscard]] QString path() const { return FDir.path(); }

private:
    QTemporaryDir FDir;
};

} // namespace maintest
