#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <cmath>
#include <functional>
#include <limits>
#include <span>
#include <vector>

// The cells of a grid: rows and columns numbered from 1, as the grid control
// numbers them. Its header row 0 holds no cells: the headers are the column
// specs', given to views through headerData().
// Cells are stored column by column and compactly: texts as strings, numbers
// as doubles (formatted only when shown or read), pictures as small ids, back
// colours as packed 0x00BBGGRR values. Every cell is read-only to the user.
class GridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum class CellKind { Text, Number, Picture };

    struct ColumnSpec
    {
        QString header;
        CellKind kind = CellKind::Text;
        int decimals = 0;
        double widthInChars = 8;
    };

    static constexpr quint32 kNoColour = 0xFFFFFFFFu;

    explicit GridModel(QList<ColumnSpec> columns, QObject *parent = nullptr);

    const QList<ColumnSpec> &columns() const { return m_specs; }
    void setRowCount(int rows);

    // Reading a cell gives it as shown; an empty cell gives "".
    QString text(int row, int col) const;
    // A text cell's own characters, copied nowhere; empty for other cells.
    // Valid until the cell is next written.
    QStringView textView(int row, int col) const;
    // A number cell's value as the cell shows it, rounded to its decimals;
    // 0 for an empty cell or one of another kind.
    double shownNumber(int row, int col) const;
    // A value as the column's cells would show it.
    double shownValue(int col, double value) const;
    // A text at least as long as the longest a number column shows in the
    // rows from first to last: "" when none of them holds a number.
    QString widestNumberText(int col, int firstRow, int lastRow) const;
    bool isEmpty(int row, int col) const;
    void setText(int row, int col, const QString &text);
    void setNumber(int row, int col, double value);
    void setInteger(int row, int col, qint64 value) { setNumber(row, col, double(value)); }

    quint32 backColour(int row, int col) const;
    void setBackColour(int row, int col, quint32 packedBgr);
    // The words a screen reader says for a back colour, so that the colour is
    // never the only way to learn what it tells.
    void describeColour(quint32 packedBgr, const QString &words);

    // Pictures are registered once, with the words a screen reader says for
    // them, and then set by id; 0 is no picture.
    int addPicture(const QImage &picture, const QString &words = QString());
    int picture(int row, int col) const;
    void setPicture(int row, int col, int pictureId);

    // The tooltip of every cell of a row, asked for when it is shown.
    void setRowToolTip(std::function<QString(int row)> toolTip) { m_rowToolTip = std::move(toolTip); }
    // Marks rows whose contents are no longer current: the mark's words
    // ("not updated since 14:03:05"), empty for a current row. A marked row's
    // cell in mutedColumn shows muted and slanted, and every cell of it tells
    // a screen reader the words. Asked for as cells are shown.
    void setRowMark(std::function<QString(int row)> mark, int mutedColumn);
    // What setRowMark's function says has changed, for any row.
    void rowMarksChanged();

    // The rows below move up by one; the row count does not change.
    void deleteRow(int row);

    // Appends one row per text, writing the texts into column col, with one
    // insertion notice: views never see a half-built model.
    void appendRows(int col, std::span<const QString> texts);
    // Room for this many rows, so that growing to them moves no cell.
    void reserveRows(int rows);

    // Every row gets an identity when it is created; it stays with the row's
    // contents when rows above it are deleted. Identities grow down the grid,
    // since rows are only ever added at the bottom. 0 is no row.
    quint64 rowId(int row) const;
    // The row that holds the identity now, or 0 when it is gone.
    int rowOf(quint64 id) const;

    // Many writes with one change notice at the end: for refreshes that paint
    // every row, and loads that add thousands of rows.
    class Batch
    {
    public:
        explicit Batch(GridModel &model);
        ~Batch();
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        GridModel &m_model;
    };

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    static constexpr double kEmptyNumber = std::numeric_limits<double>::quiet_NaN();

    struct Column
    {
        CellKind kind = CellKind::Text;
        std::vector<QString> texts;   // Text columns
        std::vector<double> numbers;  // Number columns, from their first number on; NaN is an empty cell
        std::vector<quint8> pictures; // Picture columns
        std::vector<quint32> colours; // every column, from its first colour on; none before
    };

    bool isCell(int row, int col) const
    {
        return row >= 1 && row <= m_rowCount && col >= 1 && col <= int(m_columns.size());
    }
    bool isCellOf(int row, int col, CellKind kind) const { return isCell(row, col) && m_columns[col - 1].kind == kind; }
    // A number cell's value; NaN while its column has never held a number.
    double numberAt(int row, int col) const
    {
        const std::vector<double> &numbers = m_columns[col - 1].numbers;
        return numbers.empty() ? kEmptyNumber : numbers[row - 1];
    }
    // A number column's cells, made when it receives its first number: a
    // long list loaded while the service is away costs no column of empty cells.
    std::vector<double> &numbersToWrite(int col)
    {
        std::vector<double> &numbers = m_columns[col - 1].numbers;
        if (numbers.empty())
            numbers.resize(size_t(m_rowCount), kEmptyNumber);
        return numbers;
    }
    QString spokenWords(int row, int col) const;
    QString rowMark(int row) const { return m_rowMark ? m_rowMark(row) : QString(); }
    QVariant slantedIfMarked(int row, int col) const;
    void resizeColumns(int rows);
    void setNumberAsText(int row, int col, double value);
    bool isEmptyOtherCell(int row, int col) const;
    void cellChanged(int row, int col)
    {
        if (m_batchDepth > 0)
            widenDirtyRows(row);
        else
            emitCellChanged(row, col);
    }
    void widenDirtyRows(int row)
    {
        if (m_dirtyLastRow < m_dirtyFirstRow) {
            m_dirtyFirstRow = row;
            m_dirtyLastRow = row;
        } else {
            m_dirtyFirstRow = qMin(m_dirtyFirstRow, row);
            m_dirtyLastRow = qMax(m_dirtyLastRow, row);
        }
    }
    void emitCellChanged(int row, int col);
    void endBatch();

    QList<ColumnSpec> m_specs;
    std::vector<Column> m_columns;
    std::vector<quint64> m_rowIds;
    quint64 m_nextRowId = 1;
    QList<QImage> m_pictures;
    QStringList m_pictureWords;
    QHash<quint32, QString> m_colourWords;
    std::function<QString(int row)> m_rowToolTip;
    std::function<QString(int row)> m_rowMark;
    int m_mutedColumn = 0;
    int m_rowCount = 0;

    int m_batchDepth = 0;
    bool m_batchReset = false; // rows were added or removed inside the batch
    int m_dirtyFirstRow = 0;
    int m_dirtyLastRow = -1;
};

// The writes a refresh makes some 300,000 times are inline: a call per cell
// would cost more than the write.
inline bool GridModel::isEmpty(int row, int col) const
{
    if (isCellOf(row, col, CellKind::Number))
        return std::isnan(numberAt(row, col));
    if (isCellOf(row, col, CellKind::Text))
        return m_columns[col - 1].texts[row - 1].isEmpty();
    return isEmptyOtherCell(row, col);
}

inline void GridModel::setNumber(int row, int col, double value)
{
    if (!isCellOf(row, col, CellKind::Number)) {
        setNumberAsText(row, col, value);
        return;
    }
    numbersToWrite(col)[row - 1] = value;
    cellChanged(row, col);
}

inline void GridModel::setBackColour(int row, int col, quint32 packedBgr)
{
    if (!isCell(row, col))
        return;
    std::vector<quint32> &colours = m_columns[col - 1].colours;
    if (colours.empty())
        colours.resize(m_rowCount, kNoColour);
    colours[row - 1] = packedBgr & 0xFFFFFF;
    cellChanged(row, col);
}
