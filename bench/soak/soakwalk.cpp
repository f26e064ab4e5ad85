// soak_walk SECONDS: the browser's main window on a test agent, one walk window over
// hrSWInstalled (some thousands of instances) with repetitions 0, left walking for
// SECONDS. Every ten seconds a progress line goes to stderr; at the end the bench
// rows go to stdout:
//   ROW soak walk-endless <measure> <unit> <value> - (empty)
// The memory figures are resident sizes (VmRSS) of the browser (this process) and of
// its slave, taken at the end of the first minute (of the first fifth, for a run
// shorter than five minutes) and at the end; a list or memory that grows with the
// walk shows as the difference.
#include "browsermain.h"
#include "browserwalk.h"
#include "dialogs.h"
#include "processtable.h"
#include "txtclsocket.h"
#include "testagent.h"
#include "txtcl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>

#include <cstdio>
#include <functional>
#include <string>
#include <iostream>
#include <memory>
#include <unistd.h>

namespace {

const QString InstalledSoftware = QStringLiteral("1.3.6.1.2.1.25.6");

bool runUntil(const std::function<bool()>& done, qint64 milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

void row(const std::string& measure, const char* unit, double value)
{
    std::printf("ROW\tsoak\twalk-endless\t%s\t%s\t%.6g\t-\t\n", measure.c_str(), unit, value);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qint64 seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toLongLong() : 300;
    if (seconds < 10) {
        std::cerr << "usage: soak_walk SECONDS (at least 10)\n";
        return 2;
    }
    int errors = 0;
    Dialogs::setResponder([&errors](const Dialogs::Message& m) {
        ++errors;
        std::cerr << "dialog: " << m.text.toStdString() << "\n";
        return (m.buttons & Dialogs::Ok) ? int(Dialogs::Ok) : m.buttons;
    });
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    const QByteArray bin = QCoreApplication::applicationDirPath().toLocal8Bit();
    qputenv("PATH", bin + ':' + qgetenv("PATH"));

    TestAgent agent;
    auto main = std::make_unique<TForm_Olvarin>(QStringList{
        QStringLiteral("Olvarin"), QStringLiteral("-address"), QString::fromStdString(agent.address())});
    if (!runUntil([&] { return main->XTcl->LinkState() == TLinkState::Connected && main->XTcl->Waiting().isEmpty(); },
                  60000)) {
        std::cerr << "the slave did not connect\n";
        return 1;
    }
    const std::vector<pid_t> slaves = processtable::slavesOnPort(main->XTcl->Socket()->LocalPort().toStdString());
    const pid_t slave = slaves.empty() ? 0 : slaves.front();

    main->Edit_OID->setText(InstalledSoftware);
    main->Button_Walk->click();
    auto* walk = main->findChild<TForm_MibWalk*>();
    if (walk == nullptr || !runUntil([walk] { return walk->isVisible(); }, 30000)) {
        std::cerr << "the walk window did not open\n";
        return 1;
    }
    auto* list = walk->findChild<QTreeWidget*>(QStringLiteral("ListView"));
    walk->findChild<QSpinBox*>(QStringLiteral("SpinEdit_Repetitions"))->setValue(0);
    long rows = 0;
    int most = 0;
    int purges = 0;
    QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, walk, [&] {
        ++rows;
        most = std::max(most, list->topLevelItemCount());
    });
    QObject::connect(list->model(), &QAbstractItemModel::modelReset, walk, [&] { ++purges; });
    walk->findChild<QPushButton*>(QStringLiteral("Button_Start"))->click();

    // The first minute, or the first fifth of a short run: warm-up is over by then.
    const qint64 early = std::max<qint64>(10, std::min<qint64>(60, seconds / 5) / 10 * 10);
    const std::string atEarly = " at " + std::to_string(early) + " s";
    long browserEarly = 0;
    long slaveEarly = 0;
    QElapsedTimer clock;
    clock.start();
    for (qint64 tick = 10; tick <= seconds; tick += 10) {
        (void)runUntil([] { return false; }, tick * 1000 - clock.elapsed());
        const long browser = processtable::residentKiB(::getpid());
        const long slaveNow = slave != 0 ? processtable::residentKiB(slave) : 0;
        if (tick <= early || browserEarly == 0) {
            browserEarly = browser;
            slaveEarly = slaveNow;
        }
        std::cerr << tick << " s: " << rows << " rows, " << purges << " purges, most " << most << ", "
                  << walk->StatusText().toStdString() << "; browser " << browser << " KiB, slave " << slaveNow
                  << " KiB\n";
    }
    const double elapsed = double(clock.elapsed()) / 1000.0;
    const long browserEnd = processtable::residentKiB(::getpid());
    const long slaveEnd = slave != 0 ? processtable::residentKiB(slave) : 0;

    row("seconds", "s", elapsed);
    row("instances/s", "1/s", double(rows) / elapsed);
    row("most rows in list", "rows", most);
    row("purges", "", purges);
    row("error boxes", "", errors);
    row("browser rss" + atEarly, "KiB", double(browserEarly));
    row("browser rss at end", "KiB", double(browserEnd));
    row("browser rss growth", "KiB", double(browserEnd - browserEarly));
    row("browser peak rss", "KiB", double(processtable::peakResidentKiB(::getpid())));
    row("slave rss" + atEarly, "KiB", double(slaveEarly));
    row("slave rss at end", "KiB", double(slaveEnd));
    row("slave rss growth", "KiB", double(slaveEnd - slaveEarly));
    std::fflush(stdout);

    main.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return errors == 0 && most <= 1002 ? 0 : 1;
}
