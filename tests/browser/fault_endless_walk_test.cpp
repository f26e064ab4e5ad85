// A walk without end over a few thousand instances: the list stays bounded and
// neither the browser's memory nor the slave's grows with the rows. A short run here;
// bench/soak runs it for minutes.
#include "walk_fixture.h"

#include "browserwalk.h"
#include "processtable.h"
#include "txtclsocket.h"

#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>

#include <iostream>
#include <unistd.h>

namespace {

// hrSWInstalled: one row per installed package, some thousands, steady while we walk.
const QString InstalledSoftware = QStringLiteral("1.3.6.1.2.1.25.6");

using EndlessWalk = BrowserWindowTest;

TEST_F(EndlessWalk, ListStaysBoundedAndMemoryFlat)
{
    const int instances = int(agentWalk(InstalledSoftware).size());
    if (instances < 1500)
        GTEST_SKIP() << "the agent lists only " << instances << " installed packages";

    showObject(InstalledSoftware);
    Main->Button_Walk->click();
    auto* walk = Main->findChild<TForm_MibWalk*>();
    ASSERT_NE(walk, nullptr);
    ASSERT_TRUE(waitFor([walk] { return walk->isVisible(); }));
    auto* list = walk->findChild<QTreeWidget*>(QStringLiteral("ListView"));
    walk->findChild<QSpinBox*>(QStringLiteral("SpinEdit_Repetitions"))->setValue(0);

    int most = 0;
    int purges = 0;
    QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, walk,
                     [&] { most = std::max(most, list->topLevelItemCount()); });
    // The purge empties the list with a reset of its model.
    QObject::connect(list->model(), &QAbstractItemModel::modelReset, walk, [&] { ++purges; });
    const std::vector<pid_t> slaves = processtable::slavesOnPort(Main->XTcl->Socket()->LocalPort().toStdString());
    ASSERT_EQ(slaves.size(), 1u);

    walk->findChild<QPushButton*>(QStringLiteral("Button_Start"))->click();
    // Warm-up: caches, the allocator's arenas and the list's own storage settle over
    // the first purges.
    ASSERT_TRUE(waitFor([&] { return purges >= 3; }, 20000)) << "rows: " << list->topLevelItemCount();
    const long browserBefore = processtable::residentKiB(::getpid());
    const long slaveBefore = processtable::residentKiB(slaves.front());
    const int purgesBefore = purges;
    const QString cycleBefore = walk->StatusText().section(QLatin1Char(','), 0, 0);

    // Then some thousands of rows more, across at least one cycle end.
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(waitFor([&] {
        return (purges - purgesBefore >= 8 && walk->StatusText().section(QLatin1Char(','), 0, 0) != cycleBefore)
               || clock.elapsed() > 14000;
    }, 20000));
    const long browserAfter = processtable::residentKiB(::getpid());
    const long slaveAfter = processtable::residentKiB(slaves.front());
    std::cerr << "[ info ] " << (purges - purgesBefore) << " purges in " << clock.elapsed() << " ms, "
              << walk->StatusText().toStdString() << "; browser " << browserBefore << " -> " << browserAfter
              << " KiB, slave " << slaveBefore << " -> " << slaveAfter << " KiB\n";

    EXPECT_TRUE(Dialogs::history().empty());
    EXPECT_GE(purges - purgesBefore, 3) << "the walk hardly moved";
    // 1001 rows at most when an instance row is due; the end-of-cycle row may come
    // on top of them before the next instance purges the list.
    EXPECT_LE(most, 1002);
    EXPECT_LE(list->topLevelItemCount(), 1002);
    // Each purge throws away a thousand rows; a few bytes kept per row would show as
    // megabytes here. The margin is for the allocator, not for the rows.
    EXPECT_LT(browserAfter - browserBefore, 1536);
    EXPECT_LT(slaveAfter - slaveBefore, 1024);
}

} // namespace
