#pragma once

#include "watch/GridModel.h"

#include <QTableView>

// The grid control of both windows: a read-only table over a GridModel, rows
// and columns numbered from 1. It keeps an active cell that only the user
// moves (a right click, a click, the keys), reports right clicks and
// double-clicks with their cell, and sizes its columns in character widths.
// Ctrl+C copies the selected rows as tab-separated text, headers first.
// Whenever the rows change, the active cell stays within them (row 1 when
// there are none). A number column is never narrower than the widest number
// it has shown: no digit is ever cut or replaced by dots.
class SpreadGrid : public QTableView
{
    Q_OBJECT

public:
    explicit SpreadGrid(QList<GridModel::ColumnSpec> columns, QWidget *parent = nullptr);

    GridModel *grid() const { return m_model; }

    int activeRow() const { return m_activeRow; }

    // Highlights the block and makes its first row the active row; a column
    // of -1 selects whole rows.
    void selectBlock(int firstCol, int firstRow, int lastCol, int lastRow);

signals:
    // row is 0 for a click outside the rows, such as the area below them.
    // The Menu key and Shift+F10 report the active cell, at that cell.
    void rightClicked(int col, int row, const QPoint &globalPos);
    // The Delete key, on the active row.
    void deletePressed(int row);
    void cellActivated(int col, int row);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void rowsAboutToBeRemoved(const QModelIndex &parent, int first, int last) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void applyColumnWidths();
    void widenNumberColumns(int firstRow, int lastRow, int firstCol, int lastCol);
    int numberWidth(const QString &shown) const;
    void keepNumbersWhole(int column, int newWidth);
    void keepActiveCellInRows();
    void openMenuAtActiveCell();
    void copySelectedRows();

    GridModel *m_model;
    int m_activeRow = 1;
    int m_activeColumn = 1;
    int m_rowTakingThePlace = 0; // the row number the current cell keeps while its row is removed
    QList<int> m_numbersWidth;   // per column, the width its widest number has needed so far
};
