#include "mainwindowfields.h"

#include "browsermain.h"
#include "exception.h"
#include "txtcl.h"

#include <QLineEdit>

QObject* MainWindowFields::mainWindow(QObject* fallback)
{
    QObject* main = Form_Olvarin != nullptr ? static_cast<QObject*>(Form_Olvarin) : fallback;
    if (main == nullptr)
        throw Exception(QStringLiteral("The main window does not exist"));
    return main;
}

QString MainWindowFields::text(QObject* main, const char* editName)
{
    const auto* edit = main->findChild<QLineEdit*>(QLatin1String(editName));
    if (edit == nullptr)
        throw Exception(QStringLiteral("The main window has no field ") + QLatin1String(editName));
    return edit->text();
}

TXTcl* MainWindowFields::xtcl(QObject* main)
{
    auto* link = main->findChild<TXTcl*>(QStringLiteral("XTcl"));
    if (link == nullptr)
        throw Exception(QStringLiteral("The main window has no XTcl component"));
    return link;
}
