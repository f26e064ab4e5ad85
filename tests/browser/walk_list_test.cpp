// The walk list paces its painting and the relayout of its rows to frames: a burst
// of rows is held back, and the frame's end shows every one of them. A frame that
// never ended would leave the list frozen, a relayout that never ran would leave
// rows out of the view.
#include "browserwalklist.h"
#include "paintframes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

namespace {

bool waitUntil(const std::function<bool()>& done, int milliseconds = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

QStringList row(int n)
{
    return {QStringLiteral("name.%1").arg(n), QStringLiteral("INTEGER"), QString::number(n)};
}

void addRow(TWalkList& list, int n)
{
    (void)list.Frames()->Defer();
    new QTreeWidgetItem(&list, row(n));
}

TEST(WalkList, BurstIsHeldBackAndShownWholeAtTheFrameEnd)
{
    TWalkList list;
    list.setColumnCount(3);
    list.resize(400, 300);
    list.show();
    int frames = 0;
    QObject::connect(list.Frames(), &TPaintFrames::FrameEnded, [&] { ++frames; });

    EXPECT_FALSE(list.Frames()->Defer()) << "the first change after a quiet spell shows at once";
    new QTreeWidgetItem(&list, row(0));
    for (int n = 1; n <= 200; ++n)
        addRow(list, n);
    EXPECT_TRUE(list.Frames()->Holding());
    EXPECT_FALSE(list.updatesEnabled());

    ASSERT_TRUE(waitUntil([&] { return frames > 0; })) << "the frame never ended";
    EXPECT_EQ(frames, 1);
    EXPECT_TRUE(list.updatesEnabled());
    EXPECT_FALSE(list.Frames()->Holding());
    // The view knows the last row: it can scroll to it and lays it out.
    QTreeWidgetItem* last = list.topLevelItem(list.topLevelItemCount() - 1);
    list.scrollToItem(last);
    EXPECT_TRUE(list.visualItemRect(last).isValid());
    EXPECT_EQ(list.itemAt(list.visualItemRect(last).center()), last);
}

TEST(WalkList, PurgeDuringAFrameAndFlush)
{
    TWalkList list;
    list.setColumnCount(3);
    list.show();
    for (int n = 0; n < 50; ++n)
        addRow(list, n);
    // The purge as the walk does it, inside a held frame: the view must not keep
    // rows that are gone.
    (void)list.Frames()->Defer();
    list.clear();
    addRow(list, 1000);
    EXPECT_TRUE(list.Frames()->Holding());
    EXPECT_EQ(list.itemAt(QPoint(5, 5)), nullptr);

    int frames = 0;
    QObject::connect(list.Frames(), &TPaintFrames::FrameEnded, [&] { ++frames; });
    list.Frames()->Flush();
    EXPECT_EQ(frames, 1);
    EXPECT_TRUE(list.updatesEnabled());
    EXPECT_EQ(list.topLevelItemCount(), 1);
    EXPECT_TRUE(list.visualItemRect(list.topLevelItem(0)).isValid());
    list.Frames()->Flush(); // no frame running: nothing happens
    EXPECT_EQ(frames, 1);
}

} // namespace
