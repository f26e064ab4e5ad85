#pragma once

#include <QString>

class QObject;
class TXTcl;

// What the walk, tabulate and MIB Load windows take from the main window when they
// are created: the texts of its edits and its slave link component, found by name.
// A missing component is a programming error and raises Exception.
class MainWindowFields {
public:
    // The main window Form_Olvarin; fallback when it is not set (a window created
    // with the main window as its owner before the global was assigned).
    [[nodiscard]] static QObject* mainWindow(QObject* fallback = nullptr);
    [[nodiscard]] static QString text(QObject* main, const char* editName);
    [[nodiscard]] static TXTcl* xtcl(QObject* main);
};
