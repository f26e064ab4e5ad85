// Start-up benchmark driver. It runs what the Olvarin program runs (the
// application object, the program entry with its main window and the whole
// start-up sequence, then the message loop) and ends the message loop after its
// first pass, when the tree has been built and the root object shown and painted.
// The windows are not torn down: the measure ends with the start-up.
//
// A dialog during the start-up means the start-up failed; it is answered with OK
// at once (so that an unattended run never hangs on a modal box), reported, and
// the driver ends with status 3. On success one line goes to stderr:
//     startup: nodes=<tree nodes> root=<OID shown> status=<status text> ms=<in-process time>
#include "application.h"
#include "browsermain.h"
#include "dialogs.h"
#include "programentry.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    QElapsedTimer clock;
    clock.start();
    Application app(argc, argv);
    int dialogs = 0;
    Dialogs::setResponder([&dialogs](const Dialogs::Message& message) {
        ++dialogs;
        std::fprintf(stderr, "startup: dialog: %s\n", message.text.toLocal8Bit().constData());
        return static_cast<int>(Dialogs::Ok);
    });

    ProgramEntry entry;
    if (!entry.Start(QCoreApplication::arguments()))
        return 1;
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    const int code = entry.Run();
    const qint64 ms = clock.elapsed();

    int nodes = 0;
    QString root;
    QString status;
    if (TForm_Olvarin* main = entry.MainWindow()) {
        for (QTreeWidgetItemIterator it(main->TreeView); *it != nullptr; ++it)
            ++nodes;
        root = main->Edit_OID->text();
        status = main->statusText();
    }
    std::fprintf(stderr, "startup: nodes=%d root=%s status=%s ms=%lld\n", nodes, root.toLocal8Bit().constData(),
                 status.toLocal8Bit().constData(), static_cast<long long>(ms));
    std::fflush(stderr);
    std::fflush(stdout);
    _exit(dialogs > 0 ? 3 : code);
}
