#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// The one way the program talks to the user modally: message dialogs of the error,
// warning and information kinds, the default error display, and file-open dialogs.
// Tests install a responder: then nothing is shown, every request is recorded, and
// the responder's answer is returned as if a person had clicked it.
class Dialogs {
public:
    enum class Kind { Error, Warning, Information };

    // Buttons, combined as flags; a dialog answers with the one that was chosen.
    enum Button : int { None = 0, Ok = 1, Cancel = 2, Help = 4 };

    struct Message {
        Kind kind = Kind::Information;
        QString caption;
        QString text;
        int buttons = Ok;
        int helpContext = 0;
        int answer = None;
    };

    struct FileRequest {
        QString title;
        QString filter;         // Qt filter text, e.g. "Log file (*.log)"
        QString defaultSuffix;
        bool mustExist = false;
        bool multiSelect = false;
        QString initialFile;
    };

    using Responder = std::function<int(const Message&)>;
    using FileResponder = std::function<QStringList(const FileRequest&)>;

    // A modal message dialog: caption "Error", "Warning" or "Information" from the
    // kind, the matching icon, the given buttons; Help shows the help context and
    // keeps the dialog open. Returns the button chosen.
    static int MessageDlg(const QString& text, Kind kind, int buttons, int helpContext = 0);
    // The error message box of the slave link and the windows: error kind, OK.
    static void ShowError(const QString& text);
    // Information box with one OK button, for error replies of the slave.
    static void ShowInformation(const QString& text);
    // What a failure that escapes an event handler ends in: a modal box titled with
    // the application title ("MIB Browser"), error icon, OK, the message.
    static void defaultErrorDisplay(const QString& message);
    // A modal file-open dialog; the chosen files, none when cancelled.
    static QStringList OpenFile(const FileRequest& request);

    // --- for tests -------------------------------------------------------------
    static void setResponder(Responder responder);
    static void setFileResponder(FileResponder responder);
    [[nodiscard]] static const std::vector<Message>& history();
    [[nodiscard]] static const std::vector<FileRequest>& fileHistory();
    static void clearHistory();

    [[nodiscard]] static QString captionOf(Kind kind);
    static constexpr const char* applicationTitle = "MIB Browser";
};
