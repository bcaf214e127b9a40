#pragma once

#include <QList>
#include <QString>

class GridModel;

// Grid rows as the desktop's spreadsheets and table views paste them:
// tab-separated cells, one line per row, the column headers first.
namespace GridText {

// The rows in grid order, each once; rows outside the grid are left out. A
// picture cell gives the words a screen reader says for it.
QString tabSeparated(const GridModel &grid, QList<int> rows);

} // namespace GridText
