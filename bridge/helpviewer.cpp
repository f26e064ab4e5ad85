#include "helpviewer.h"

#include "dialogs.h"

namespace {

QString& helpFile()
{
    static QString file;
    return file;
}

std::vector<int>& contexts()
{
    static std::vector<int> c;
    return c;
}

} // namespace

void HelpViewer::SetHelpFile(const QString& file)
{
    helpFile() = file;
}

QString HelpViewer::HelpFile()
{
    return helpFile();
}

void HelpViewer::ShowContext(int context)
{
    contexts().push_back(context);
    const QString file = helpFile().isEmpty() ? QStringLiteral("(no help file)") : helpFile();
    Dialogs::ShowInformation(QStringLiteral("Help: %1, context %2").arg(file).arg(context));
}

const std::vector<int>& HelpViewer::requests()
{
    return contexts();
}

void HelpViewer::clearRequests()
{
    contexts().clear();
}
