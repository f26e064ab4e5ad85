#pragma once

#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

class TForm_Olvarin;
class TForm_MibCompiler;

// The browser's start-up, in order: the TCP/IP check (the program may end there),
// application title and help file, the main window (whose creation runs the whole
// start-up sequence), the hidden MIB Load dialog, and the message loop. The windows
// belong to this object and go with it, the dialog first.
class ProgramEntry {
public:
    using TcpIpCheck = std::function<bool()>;

    explicit ProgramEntry(TcpIpCheck check = &ProgramEntry::IsTcpIpInstalled);
    ~ProgramEntry();
    ProgramEntry(const ProgramEntry&) = delete;
    ProgramEntry& operator=(const ProgramEntry&) = delete;

    // True when an IPv4 stream socket can be created (and closed again).
    [[nodiscard]] static bool IsTcpIpInstalled();

    // Everything before the message loop, on the running QApplication. False when
    // the program must end at once (TCP/IP missing): then no window exists.
    [[nodiscard]] bool Start(const QStringList& arguments);
    // The message loop; shows the main window if start-up left it hidden. A pending
    // termination request ends it before it runs. Returns the exit code.
    int Run();

    [[nodiscard]] TForm_Olvarin* MainWindow() const { return FMain.get(); }
    [[nodiscard]] TForm_MibCompiler* MibCompiler() const;

    static constexpr int TcpIpHelpContext = 3501;

private:
    TcpIpCheck FCheck;
    std::unique_ptr<TForm_Olvarin> FMain;
    // The dialog releases itself on Cancel (deleteLater), so it is only watched here:
    // the pointer empties itself then, and the destructor deletes what is left.
    QPointer<TForm_MibCompiler> FMibCompiler; // destroyed before the main window
};
