#pragma once

#include <QStringList>

// Starts a program as a detached child: found by the usual PATH search, in a session
// of its own, inheriting no descriptor but 0-2 (and, when quiet, not even those: they
// lead to /dev/null). The intermediate child of the double fork is reaped at once, so
// the program is never a child of ours: nothing is left to wait for, no zombie remains.
class DetachedProcess {
public:
    // argv[0] names the program. True when the program is running, false when it
    // could not be found or started (exec failure is reported back through a pipe).
    [[nodiscard]] static bool Start(const QStringList& argv, bool quiet);
    // The program as PATH finds it (a name with a '/' is taken as it stands);
    // empty when there is no such executable file.
    [[nodiscard]] static QString FindProgram(const QString& program);
};
