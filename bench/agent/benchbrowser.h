#pragma once

// Shared by the benchmark drivers that open the real browser windows: one
// QApplication on the offscreen platform, the programs and scripts of the build
// tree found as the program entry finds them, a private resource folder, and
// waiting on the event loop. Header only: each driver is one program.

#include "browsermain.h"
#include "dialogs.h"
#include "txtcl.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <memory>

namespace bench {

// Prints one "name<TAB>value" result line for run.sh; everything else goes to stderr.
inline void result(const QString& name, double value)
{
    std::printf("%s\t%.6g\n", name.toUtf8().constData(), value);
    std::fflush(stdout);
}

inline void note(const QString& text)
{
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
}

// Runs the event loop until done or the deadline, as the message loop would: no
// sleeping between rounds, so the figures show the program's own latency.
inline bool waitFor(const std::function<bool()>& done, int milliseconds = 300000)
{
    QElapsedTimer clock;
    clock.start();
    // Wakes the wait now and then, so the deadline is seen when nothing happens.
    QTimer tick;
    tick.start(100);
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    while (!done()) {
        if (clock.elapsed() > milliseconds)
            return false;
        dispatcher->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

// What the program entry does before the main window: the program's folder first on
// PATH (the slave's host is found there), the offscreen platform, and a resource
// folder of the run's own; every dialog is answered with its first button.
class Environment {
public:
    Environment(int& argc, char** argv)
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("XDG_CONFIG_HOME", FConfig.path().toUtf8());
        FApp = std::make_unique<QApplication>(argc, argv);
        const QByteArray bin = QCoreApplication::applicationDirPath().toLocal8Bit();
        const QByteArray path = qgetenv("PATH");
        if (path.split(':').value(0) != bin)
            qputenv("PATH", bin + ':' + path);
        Dialogs::setResponder([](const Dialogs::Message& m) {
            note(QStringLiteral("dialog: ") + m.text);
            return (m.buttons & Dialogs::Ok) ? int(Dialogs::Ok) : m.buttons;
        });
    }

    // The main window on the agent, once its slave has connected and answered the
    // start-up's own commands.
    [[nodiscard]] std::unique_ptr<TForm_Olvarin> openMain(const QString& agent)
    {
        auto main = std::make_unique<TForm_Olvarin>(QStringList{QStringLiteral("Olvarin")});
        main->show();
        if (!waitFor([&] { return main->XTcl->LinkState() == TLinkState::Connected && main->XTcl->Waiting().isEmpty(); },
                     60000))
            return nullptr;
        main->Edit_Target->setText(agent);
        main->Edit_Community->setText(QStringLiteral("public"));
        main->Edit_Timeout->setText(QStringLiteral("5"));
        main->Edit_Retry->setText(QStringLiteral("1"));
        return main;
    }

private:
    QTemporaryDir FConfig;
    std::unique_ptr<QApplication> FApp;
};

// Closes the main window and lets the releases run, so the slave ends with the link.
inline void closeMain(std::unique_ptr<TForm_Olvarin>& main)
{
    main.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace bench
