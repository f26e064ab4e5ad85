#pragma once

#include <QTableWidget>

class QTableView;

// A grid of text cells addressed as (column, row) with a fixed heading row: row 0 is
// the horizontal header, rows 1.. are the data rows. The first FixedCols columns stay
// in view when the grid scrolls sideways (a second view over the same model lies over
// them). Row and column counts include the heading row, so a grid with one data row
// has RowCount 2.
class TStringGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit TStringGrid(QWidget* parent = nullptr);

    [[nodiscard]] int RowCount() const { return rowCount() + 1; }
    // At least the heading row and one data row remain.
    void SetRowCount(int count);
    [[nodiscard]] int ColCount() const { return columnCount(); }
    // At least one column remains.
    void SetColCount(int count);
    [[nodiscard]] int FixedCols() const { return FFixedCols; }
    // Raises Exception when count is negative or leaves no scrolling column.
    void SetFixedCols(int count);

    [[nodiscard]] QString Cells(int col, int row) const;
    void SetCell(int col, int row, const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateFrozenColumns();
    void UpdateFrozenGeometry();

    QTableView* FFrozen = nullptr;
    int FFixedCols = 0;
};
