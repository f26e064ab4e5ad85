// The grid of the tabulate window: heading row, counts that include it, fixed
// columns that must leave one column to scroll.
#include "exception.h"
#include "stringgrid.h"

#include <QTableView>
#include <gtest/gtest.h>

namespace {

TEST(TabulateGrid, HeadingRowCellsCountsAndFixedColumns)
{
    TStringGrid grid;
    EXPECT_EQ(grid.RowCount(), 2); // the heading row and one empty data row
    EXPECT_EQ(grid.ColCount(), 1);
    EXPECT_EQ(grid.FixedCols(), 0);
    EXPECT_EQ(grid.Cells(0, 0), QString());

    grid.SetColCount(3);
    grid.SetCell(0, 0, QStringLiteral("ifIndex"));
    grid.SetCell(2, 1, QStringLiteral("up"));
    grid.SetRowCount(grid.RowCount() + 1);
    grid.SetCell(1, 2, QStringLiteral("eth0"));
    EXPECT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.Cells(0, 0), QStringLiteral("ifIndex"));
    EXPECT_EQ(grid.horizontalHeaderItem(0)->text(), QStringLiteral("ifIndex"));
    EXPECT_EQ(grid.Cells(2, 1), QStringLiteral("up"));
    EXPECT_EQ(grid.Cells(1, 2), QStringLiteral("eth0"));
    grid.SetCell(5, 9, QStringLiteral("outside")); // ignored, as the grid has no such cell

    // Trimming keeps the rows above the cut as they were.
    grid.SetRowCount(2);
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Cells(2, 1), QStringLiteral("up"));

    grid.SetFixedCols(2);
    EXPECT_EQ(grid.FixedCols(), 2);
    auto* frozen = grid.findChild<QTableView*>(QStringLiteral("FrozenColumns"));
    ASSERT_NE(frozen, nullptr);
    EXPECT_FALSE(frozen->isColumnHidden(1));
    EXPECT_TRUE(frozen->isColumnHidden(2));

    EXPECT_THROW(grid.SetFixedCols(3), Exception); // every column an index column
    EXPECT_THROW(grid.SetFixedCols(-1), Exception);
    EXPECT_EQ(grid.FixedCols(), 2);
}

} // namespace
