// bench_walk AGENT ROOT
//
// Opens the browser's main window on AGENT, shows ROOT, opens a walk window and
// walks it once (repetitions 1: one Get Next per instance, through the real slave).
// Prints, one per line, "instances<TAB>N" and "seconds<TAB>S": the instance rows the
// window listed and the time from Start to "All cycles done".
#include "benchbrowser.h"
#include "browserwalk.h"

#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>

int main(int argc, char** argv)
{
    bench::Environment environment(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        bench::note(QStringLiteral("usage: bench_walk AGENT ROOT"));
        return 2;
    }
    std::unique_ptr<TForm_Olvarin> main = environment.openMain(args.at(1));
    if (!main) {
        bench::note(QStringLiteral("the slave did not connect"));
        return 1;
    }
    main->Edit_OID->setText(args.at(2));
    const auto before = main->findChildren<TForm_MibWalk*>();
    main->Button_Walk->click();
    TForm_MibWalk* walk = nullptr;
    for (TForm_MibWalk* w : main->findChildren<TForm_MibWalk*>())
        if (!before.contains(w))
            walk = w;
    if (walk == nullptr || !bench::waitFor([walk] { return walk->isVisible(); }, 30000)) {
        bench::note(QStringLiteral("no walk window"));
        return 1;
    }
    walk->findChild<QSpinBox*>(QStringLiteral("SpinEdit_Repetitions"))->setValue(1);
    auto* list = walk->findChild<QTreeWidget*>(QStringLiteral("ListView"));
    auto* start = walk->findChild<QPushButton*>(QStringLiteral("Button_Start"));

    // Every row the window adds is counted as it arrives; the purge row and the
    // end-of-cycle row are not instances.
    qint64 inserted = 0;
    qint64 purges = 0;
    QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, list,
                     [&](const QModelIndex& parent, int first, int last) {
                         if (!parent.isValid())
                             inserted += last - first + 1;
                     });
    QObject::connect(list->model(), &QAbstractItemModel::modelReset, list, [&] { ++purges; });

    QElapsedTimer clock;
    clock.start();
    start->click();
    const bool done = bench::waitFor(
        [&] { return walk->StatusText() == QLatin1String("All cycles done") && start->isEnabled(); }, 600000);
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    if (!done) {
        bench::note(QStringLiteral("the walk did not end: ") + walk->StatusText());
        return 1;
    }
    bench::result(QStringLiteral("instances"), static_cast<double>(inserted - purges - 1));
    bench::result(QStringLiteral("seconds"), seconds);
    bench::closeMain(main);
    return 0;
}
