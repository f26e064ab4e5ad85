// bench_tabulate AGENT TABLE [PASSES]
//
// Opens the browser's main window on AGENT, shows the table object TABLE and opens
// a tabulate window on it: its first pass runs when the slave has made the session
// (the grid grows row by row); each further pass is a Refresh click (the rows are
// overwritten in place). Prints "rows<TAB>N" and, per pass, "seconds<TAB>S", from
// the request of the pass to the status text "Done".
#include "benchbrowser.h"
#include "browsertabulate.h"
#include "stringgrid.h"

#include <QPushButton>

int main(int argc, char** argv)
{
    bench::Environment environment(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3 && args.size() != 4) {
        bench::note(QStringLiteral("usage: bench_tabulate AGENT TABLE [PASSES]"));
        return 2;
    }
    const int passes = args.size() == 4 ? args.at(3).toInt() : 2;
    std::unique_ptr<TForm_Olvarin> main = environment.openMain(args.at(1));
    if (!main) {
        bench::note(QStringLiteral("the slave did not connect"));
        return 1;
    }
    main->Edit_OID->setText(args.at(2));

    const auto before = main->findChildren<TForm_MibTabulate*>();
    QElapsedTimer clock;
    clock.start();
    main->Button_Tabulate->click();
    TForm_MibTabulate* table = nullptr;
    for (TForm_MibTabulate* t : main->findChildren<TForm_MibTabulate*>())
        if (!before.contains(t))
            table = t;
    if (table == nullptr) {
        bench::note(QStringLiteral("no tabulate window"));
        return 1;
    }
    auto* grid = table->findChild<TStringGrid*>(QStringLiteral("StringGrid"));
    auto* refresh = table->findChild<QPushButton*>(QStringLiteral("Button_Refresh"));
    const auto passDone = [&] { return table->StatusText() == QLatin1String("Done") && refresh->isEnabled(); };

    for (int pass = 1; pass <= passes; ++pass) {
        if (pass > 1) {
            clock.restart();
            refresh->click();
        }
        if (!bench::waitFor(passDone, 600000)) {
            bench::note(QStringLiteral("the pass did not end: ") + table->StatusText());
            return 1;
        }
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        if (pass == 1)
            bench::result(QStringLiteral("rows"), grid->RowCount() - 1);
        bench::result(QStringLiteral("seconds"), seconds);
    }
    bench::closeMain(main);
    return 0;
}
