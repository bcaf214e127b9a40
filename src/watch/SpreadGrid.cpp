#include "watch/SpreadGrid.h"

#include "watch/GridCellDelegate.h"
#include "watch/GridText.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <cmath>

SpreadGrid::SpreadGrid(QList<GridModel::ColumnSpec> columns, QWidget *parent)
    : QTableView(parent)
    , m_model(new GridModel(std::move(columns), this))
{
    QFont gridFont = font();
    gridFont.setPointSizeF(8.25);
    setFont(gridFont);
    setModel(m_model);
    setItemDelegate(new GridCellDelegate(this));
    setEditTriggers(NoEditTriggers);
    setSelectionMode(ExtendedSelection);
    setSelectionBehavior(SelectItems);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false); // Tab moves to the next control, as in a dialog

    // Fixed row heights keep tens of thousands of rows cheap to lay out.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    applyColumnWidths();

    // A reset (a search's new rows) drops the view's current cell, and fewer
    // rows may leave it beyond the last: the grid keeps its own within the rows.
    connect(m_model, &QAbstractItemModel::modelReset, this, &SpreadGrid::keepActiveCellInRows);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &SpreadGrid::keepActiveCellInRows);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &SpreadGrid::keepActiveCellInRows);
    // Only the cells that changed are measured: a refresh that paints every
    // row costs one pass over its numbers, a single cell one measure.
    m_numbersWidth = QList<int>(m_model->columnCount(), 0);
    connect(m_model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &from, const QModelIndex &to, const QList<int> &roles) {
                if (roles.isEmpty() || roles.contains(Qt::DisplayRole)) // a row's mark changes no number
                    widenNumberColumns(from.row() + 1, to.row() + 1, from.column() + 1, to.column() + 1);
            });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
        widenNumberColumns(first + 1, last + 1, 1, m_model->columnCount());
    });
    connect(m_model, &QAbstractItemModel::modelReset, this,
            [this] { widenNumberColumns(1, m_model->rowCount(), 1, m_model->columnCount()); });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int newWidth) { keepNumbersWhole(column, newWidth); });
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { emit cellActivated(index.column() + 1, index.row() + 1); });
}

void SpreadGrid::applyColumnWidths()
{
    const int charWidth = fontMetrics().averageCharWidth();
    const QFontMetrics headerMetrics(horizontalHeader()->font());
    const auto &specs = m_model->columns();
    for (int c = 0; c < specs.size(); ++c) {
        // Never narrower than the header's own text: a cut header reads badly.
        const int designed = int(std::lround(specs[c].widthInChars * charWidth)) + 8;
        setColumnWidth(c, qMax(designed, headerMetrics.horizontalAdvance(specs[c].header) + 12));
    }
}

void SpreadGrid::widenNumberColumns(int firstRow, int lastRow, int firstCol, int lastCol)
{
    for (int col = qMax(firstCol, 1); col <= qMin(lastCol, int(m_numbersWidth.size())); ++col) {
        const QString widest = m_model->widestNumberText(col, firstRow, lastRow);
        if (widest.isEmpty())
            continue;
        const int needed = numberWidth(widest);
        if (needed <= m_numbersWidth[col - 1])
            continue;
        m_numbersWidth[col - 1] = needed;
        if (columnWidth(col - 1) < needed)
            setColumnWidth(col - 1, needed);
    }
}

// The width a cell needs to show the number whole, every digit counted as
// wide as the widest digit, with the margins the cell keeps around its text.
int SpreadGrid::numberWidth(const QString &shown) const
{
    const QFontMetrics metrics = fontMetrics();
    int digitWidth = 0;
    for (char16_t digit = u'0'; digit <= u'9'; ++digit)
        digitWidth = qMax(digitWidth, metrics.horizontalAdvance(QChar(digit)));
    int width = 0;
    for (const QChar c : shown)
        width += c.isDigit() ? digitWidth : metrics.horizontalAdvance(c);
    const int textMargin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    return width + 2 * textMargin + 4; // and the grid line, with a little air
}

// A column the user narrows stops at its widest number.
void SpreadGrid::keepNumbersWhole(int column, int newWidth)
{
    if (column >= 0 && column < m_numbersWidth.size() && newWidth < m_numbersWidth[column])
        horizontalHeader()->resizeSection(column, m_numbersWidth[column]);
}

void SpreadGrid::selectBlock(int firstCol, int firstRow, int lastCol, int lastRow)
{
    const int columns = m_model->columnCount();
    firstCol = firstCol < 1 ? 1 : firstCol;
    lastCol = lastCol < 1 ? columns : qMin(lastCol, columns);
    if (firstRow < 1 || firstRow > m_model->rowCount())
        return;
    lastRow = qBound(firstRow, lastRow, m_model->rowCount());

    const QItemSelection block(m_model->index(firstRow - 1, firstCol - 1), m_model->index(lastRow - 1, lastCol - 1));
    selectionModel()->setCurrentIndex(m_model->index(firstRow - 1, firstCol - 1), QItemSelectionModel::NoUpdate);
    selectionModel()->select(block, QItemSelectionModel::ClearAndSelect);
    m_activeRow = firstRow;
    m_activeColumn = firstCol;
}

void SpreadGrid::mousePressEvent(QMouseEvent *event)
{
    // A right click leaves the selection to the window, which selects the row itself.
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void SpreadGrid::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        openMenuAtActiveCell();
        return;
    }
    // The scroll area hands on the viewport's event, in viewport coordinates.
    const QModelIndex index = indexAt(event->pos());
    const int row = index.isValid() ? index.row() + 1 : 0;
    const int col = index.isValid() ? index.column() + 1 : 0;
    emit rightClicked(col, row, event->globalPos());
}

void SpreadGrid::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        copySelectedRows();
    } else if (event->key() == Qt::Key_Delete && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        // The keypad's Del, with Num Lock off, deletes too.
        emit deletePressed(m_activeRow);
    } else if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        openMenuAtActiveCell();
    } else {
        QTableView::keyPressEvent(event);
        return;
    }
    event->accept();
}

void SpreadGrid::openMenuAtActiveCell()
{
    const QModelIndex active = m_model->index(m_activeRow - 1, m_activeColumn - 1);
    if (!active.isValid())
        return;
    scrollTo(active);
    emit rightClicked(m_activeColumn, m_activeRow, viewport()->mapToGlobal(visualRect(active).center()));
}

void SpreadGrid::copySelectedRows()
{
    QList<int> rows;
    for (const QModelIndex &index : selectionModel()->selectedIndexes())
        rows.append(index.row() + 1);
    if (rows.isEmpty())
        rows.append(m_activeRow);
    QGuiApplication::clipboard()->setText(GridText::tabSeparated(*m_model, rows));
}

void SpreadGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (current.isValid()) {
        m_activeRow = current.row() + 1;
        m_activeColumn = current.column() + 1;
    }
}

// Noted before the view moves its current cell to the row above.
void SpreadGrid::rowsAboutToBeRemoved(const QModelIndex &parent, int first, int last)
{
    const int current = currentIndex().row();
    m_rowTakingThePlace = current >= first && current <= last ? first + 1 : 0;
    QTableView::rowsAboutToBeRemoved(parent, first, last);
}

void SpreadGrid::keepActiveCellInRows()
{
    // The view's current cell moves with its row when rows above it go; when
    // its own row goes, the row that takes its place is current, so that
    // Delete pressed again goes on down the list.
    if (m_rowTakingThePlace > 0) {
        m_activeRow = std::exchange(m_rowTakingThePlace, 0);
    } else if (currentIndex().isValid()) {
        m_activeRow = currentIndex().row() + 1;
        m_activeColumn = currentIndex().column() + 1;
    }
    m_activeRow = qBound(1, m_activeRow, qMax(1, m_model->rowCount()));
    const QModelIndex active = m_model->index(m_activeRow - 1, m_activeColumn - 1);
    if (active.isValid() && currentIndex() != active)
        selectionModel()->setCurrentIndex(active, QItemSelectionModel::NoUpdate);
}
