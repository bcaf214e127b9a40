#include "watch/GridText.h"

#include "watch/GridModel.h"

#include <algorithm>

namespace GridText {
namespace {

// Tabs and line ends inside a cell would split it.
QString cellText(QString text)
{
    text.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
    return text;
}

QString line(QStringList cells)
{
    for (QString &cell : cells)
        cell = cellText(cell);
    return cells.join(u'\t') + u'\n';
}

} // namespace

QString tabSeparated(const GridModel &grid, QList<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QStringList headers;
    for (const GridModel::ColumnSpec &column : grid.columns())
        headers.append(column.header);
    QString text = line(headers);
    for (int row : std::as_const(rows)) {
        if (row < 1 || row > grid.rowCount())
            continue;
        QStringList cells;
        for (int col = 1; col <= grid.columnCount(); ++col)
            cells.append(grid.columns()[col - 1].kind == GridModel::CellKind::Picture
                             ? grid.data(grid.index(row - 1, col - 1), Qt::AccessibleDescriptionRole).toString()
                             : grid.text(row, col));
        text += line(cells);
    }
    return text;
}

} // namespace GridText
