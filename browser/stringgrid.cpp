#include "stringgrid.h"

#include "exception.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

TStringGrid::TStringGrid(QWidget* parent)
    : QTableWidget(1, 1, parent)
{
    horizontalHeader()->setDefaultSectionSize(100);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->hide();
    setHorizontalHeaderItem(0, new QTableWidgetItem);

    FFrozen = new QTableView(this);
    FFrozen->setObjectName(QStringLiteral("FrozenColumns"));
    FFrozen->setModel(model());
    FFrozen->setSelectionModel(selectionModel());
    FFrozen->setFocusPolicy(Qt::NoFocus);
    FFrozen->verticalHeader()->hide();
    FFrozen->horizontalHeader()->setSectionsClickable(false);
    FFrozen->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    FFrozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FFrozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FFrozen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FFrozen->setStyleSheet(QStringLiteral("QTableView { border: none; }"));
    viewport()->stackUnder(FFrozen);
    FFrozen->hide();

    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int logical, int, int size) {
        if (logical < FFixedCols) {
            FFrozen->setColumnWidth(logical, size);
            UpdateFrozenGeometry();
        }
    });
    connect(verticalHeader(), &QHeaderView::sectionResized, this,
            [this](int logical, int, int size) { FFrozen->setRowHeight(logical, size); });
    connect(FFrozen->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, FFrozen->verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(model(), &QAbstractItemModel::columnsInserted, this, [this] { UpdateFrozenColumns(); });
}

void TStringGrid::SetRowCount(int count)
{
    setRowCount(qMax(count, 2) - 1);
}

void TStringGrid::SetColCount(int count)
{
    const int old = columnCount();
    setColumnCount(qMax(count, 1));
    for (int col = old; col < columnCount(); ++col)
        setHorizontalHeaderItem(col, new QTableWidgetItem);
    if (FFixedCols >= columnCount())
        FFixedCols = 0;
    UpdateFrozenColumns();
}

void TStringGrid::SetFixedCols(int count)
{
    if (count < 0 || count >= columnCount())
        throw Exception(QStringLiteral("Fixed column count must be less than column count"));
    FFixedCols = count;
    UpdateFrozenColumns();
}

QString TStringGrid::Cells(int col, int row) const
{
    const QTableWidgetItem* cell = row == 0 ? horizontalHeaderItem(col) : item(row - 1, col);
    return cell != nullptr ? cell->text() : QString();
}

void TStringGrid::SetCell(int col, int row, const QString& text)
{
    if (col < 0 || col >= columnCount() || row < 0 || row >= RowCount())
        return;
    if (row == 0) {
        QTableWidgetItem* heading = horizontalHeaderItem(col);
        if (heading == nullptr)
            setHorizontalHeaderItem(col, heading = new QTableWidgetItem);
        heading->setText(text);
        return;
    }
    QTableWidgetItem* cell = item(row - 1, col);
    if (cell == nullptr)
        setItem(row - 1, col, cell = new QTableWidgetItem);
    cell->setText(text);
}

void TStringGrid::resizeEvent(QResizeEvent* event)
{
    QTableWidget::resizeEvent(event);
    UpdateFrozenGeometry();
}

void TStringGrid::UpdateFrozenColumns()
{
    for (int col = 0; col < columnCount(); ++col) {
        FFrozen->setColumnHidden(col, col >= FFixedCols);
        if (col < FFixedCols)
            FFrozen->setColumnWidth(col, columnWidth(col));
    }
    FFrozen->setVisible(FFixedCols > 0);
    UpdateFrozenGeometry();
}

void TStringGrid::UpdateFrozenGeometry()
{
    int width = 0;
    for (int col = 0; col < FFixedCols && col < columnCount(); ++col)
        width += columnWidth(col);
    FFrozen->setGeometry(frameWidth(), frameWidth(), width, viewport()->height() + horizontalHeader()->height());
}
