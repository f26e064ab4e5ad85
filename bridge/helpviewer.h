#pragma once

#include <QString>
#include <vector>

// Stand-in for the help viewer: receives the application's help file and the help
// contexts that windows and dialogs ask for. There is no help file to open on this
// platform, so a request is recorded and answered with a short information text.
class HelpViewer {
public:
    static void SetHelpFile(const QString& file);
    [[nodiscard]] static QString HelpFile();
    static void ShowContext(int context);
    [[nodiscard]] static const std::vector<int>& requests();
    static void clearRequests();
};
