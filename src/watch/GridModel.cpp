#include "watch/GridModel.h"

#include "watch/NumberFormat.h"

#include <QColor>
#include <QFont>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

QColor unpack(quint32 packedBgr)
{
    return QColor(int(packedBgr & 0xFF), int((packedBgr >> 8) & 0xFF), int((packedBgr >> 16) & 0xFF));
}

// Black or white, whichever reads better on the given back colour.
QColor contrastingText(const QColor &back)
{
    const double luminance = 0.299 * back.red() + 0.587 * back.green() + 0.114 * back.blue();
    return luminance < 140 ? QColor(Qt::white) : QColor(Qt::black);
}

// Text that still reads, but less than the text around it: halfway to the
// back colour, or grey on the grid's own white.
QColor mutedText(quint32 packedBgr)
{
    if (packedBgr == GridModel::kNoColour)
        return QColor(110, 110, 110);
    const QColor back = unpack(packedBgr);
    const QColor text = contrastingText(back);
    return QColor((back.red() + text.red()) / 2, (back.green() + text.green()) / 2, (back.blue() + text.blue()) / 2);
}

} // namespace

GridModel::GridModel(QList<ColumnSpec> columns, QObject *parent)
    : QAbstractTableModel(parent)
    , m_specs(std::move(columns))
    , m_columns(m_specs.size())
{
    for (qsizetype c = 0; c < m_specs.size(); ++c)
        m_columns[size_t(c)].kind = m_specs[c].kind;
}

void GridModel::resizeColumns(int rows)
{
    for (int c = 0; c < columnCount(); ++c) {
        Column &column = m_columns[c];
        switch (m_specs[c].kind) {
        case CellKind::Text:
            column.texts.resize(rows);
            break;
        case CellKind::Number:
            if (!column.numbers.empty()) // a column that never held a number keeps no cells
                column.numbers.resize(rows, kEmptyNumber);
            break;
        case CellKind::Picture:
            column.pictures.resize(rows, 0);
            break;
        }
        if (!column.colours.empty()) // a column that was never coloured keeps none
            column.colours.resize(rows, kNoColour);
    }
    while (m_rowIds.size() > size_t(rows))
        m_rowIds.pop_back();
    while (m_rowIds.size() < size_t(rows))
        m_rowIds.push_back(m_nextRowId++);
}

void GridModel::setRowCount(int rows)
{
    rows = qMax(0, rows);
    if (rows == m_rowCount)
        return;
    if (m_batchDepth > 0) {
        if (!m_batchReset) {
            beginResetModel();
            m_batchReset = true;
        }
        resizeColumns(rows);
        m_rowCount = rows;
        return;
    }
    if (rows > m_rowCount) {
        beginInsertRows({}, m_rowCount, rows - 1);
        resizeColumns(rows);
        m_rowCount = rows;
        endInsertRows();
    } else {
        beginRemoveRows({}, rows, m_rowCount - 1);
        resizeColumns(rows);
        m_rowCount = rows;
        endRemoveRows();
    }
}

QString GridModel::text(int row, int col) const
{
    if (!isCell(row, col))
        return QString();
    const Column &column = m_columns[col - 1];
    switch (m_specs[col - 1].kind) {
    case CellKind::Text:
        return column.texts[row - 1];
    case CellKind::Number:
        return NumberFormat::format(numberAt(row, col), m_specs[col - 1].decimals);
    case CellKind::Picture:
        return QString();
    }
    return QString();
}

QStringView GridModel::textView(int row, int col) const
{
    if (!isCell(row, col) || m_specs[col - 1].kind != CellKind::Text)
        return {};
    return m_columns[col - 1].texts[row - 1];
}

double GridModel::shownNumber(int row, int col) const
{
    if (!isCell(row, col) || m_specs[col - 1].kind != CellKind::Number)
        return 0;
    return NumberFormat::shownValue(numberAt(row, col), m_specs[col - 1].decimals); // empty reads 0
}

double GridModel::shownValue(int col, double value) const
{
    if (col < 1 || col > columnCount() || m_specs[col - 1].kind != CellKind::Number)
        return value;
    return NumberFormat::shownValue(value, m_specs[col - 1].decimals);
}

QString GridModel::widestNumberText(int col, int firstRow, int lastRow) const
{
    if (col < 1 || col > columnCount() || m_specs[col - 1].kind != CellKind::Number)
        return QString();
    const std::vector<double> &numbers = m_columns[col - 1].numbers;
    firstRow = qMax(firstRow, 1);
    lastRow = qMin(lastRow, int(numbers.size()));
    double largest = -1;
    bool negative = false;
    for (int row = firstRow; row <= lastRow; ++row) {
        const double value = numbers[size_t(row - 1)];
        if (!std::isfinite(value))
            continue;
        largest = qMax(largest, std::fabs(value));
        negative = negative || value < 0;
    }
    if (largest < 0)
        return QString();
    // A longer number never has fewer characters; the sign may stand on a shorter one.
    const QString digits = NumberFormat::format(largest, m_specs[col - 1].decimals);
    return negative ? u'-' + digits : digits;
}

bool GridModel::isEmptyOtherCell(int row, int col) const
{
    if (!isCell(row, col))
        return true;
    const Column &column = m_columns[col - 1];
    switch (m_specs[col - 1].kind) {
    case CellKind::Text:
        return column.texts[row - 1].isEmpty();
    case CellKind::Number:
        return std::isnan(numberAt(row, col));
    case CellKind::Picture:
        return column.pictures[row - 1] == 0;
    }
    return true;
}

void GridModel::setText(int row, int col, const QString &text)
{
    if (!isCell(row, col))
        return;
    Column &column = m_columns[col - 1];
    if (m_specs[col - 1].kind == CellKind::Text)
        column.texts[row - 1] = text;
    else if (m_specs[col - 1].kind == CellKind::Number)
        numbersToWrite(col)[row - 1] = text.isEmpty() ? kEmptyNumber : text.toDouble();
    cellChanged(row, col);
}

// A number written into a cell that is not a number cell: a text cell shows
// it formatted, a picture cell ignores it.
void GridModel::setNumberAsText(int row, int col, double value)
{
    if (!isCell(row, col))
        return;
    if (m_specs[col - 1].kind == CellKind::Text)
        m_columns[col - 1].texts[row - 1] = NumberFormat::format(value, m_specs[col - 1].decimals);
    cellChanged(row, col);
}

quint32 GridModel::backColour(int row, int col) const
{
    if (!isCell(row, col))
        return kNoColour;
    const std::vector<quint32> &colours = m_columns[col - 1].colours;
    return colours.empty() ? kNoColour : colours[row - 1];
}

void GridModel::describeColour(quint32 packedBgr, const QString &words)
{
    m_colourWords.insert(packedBgr & 0xFFFFFF, words);
}

int GridModel::addPicture(const QImage &picture, const QString &words)
{
    m_pictures.append(picture);
    m_pictureWords.append(words);
    return int(m_pictures.size());
}

int GridModel::picture(int row, int col) const
{
    if (!isCell(row, col) || m_specs[col - 1].kind != CellKind::Picture)
        return 0;
    return m_columns[col - 1].pictures[row - 1];
}

void GridModel::setPicture(int row, int col, int pictureId)
{
    if (!isCell(row, col) || m_specs[col - 1].kind != CellKind::Picture)
        return;
    if (pictureId < 0 || pictureId > m_pictures.size())
        return;
    m_columns[col - 1].pictures[row - 1] = quint8(pictureId);
    cellChanged(row, col);
}

void GridModel::deleteRow(int row)
{
    if (row < 1 || row > m_rowCount)
        return;
    // Told to views as the row's removal and a blank row's arrival at the
    // bottom, so that their selection and current cell stay with their rows.
    const bool notify = m_batchDepth == 0;
    if (notify) {
        beginRemoveRows({}, row - 1, row - 1);
    } else if (!m_batchReset) {
        beginResetModel();
        m_batchReset = true;
    }
    const auto at = [row](auto &cells) { return cells.begin() + (row - 1); };
    for (int c = 0; c < columnCount(); ++c) {
        Column &column = m_columns[c];
        switch (m_specs[c].kind) {
        case CellKind::Text:
            column.texts.erase(at(column.texts));
            break;
        case CellKind::Number:
            if (!column.numbers.empty())
                column.numbers.erase(at(column.numbers));
            break;
        case CellKind::Picture:
            column.pictures.erase(at(column.pictures));
            break;
        }
        if (!column.colours.empty())
            column.colours.erase(at(column.colours));
    }
    m_rowIds.erase(at(m_rowIds));
    --m_rowCount;
    if (notify) {
        endRemoveRows();
        beginInsertRows({}, m_rowCount, m_rowCount);
    }
    resizeColumns(m_rowCount + 1); // the blank row at the bottom is a new one, with an identity of its own
    ++m_rowCount;
    if (notify)
        endInsertRows();
}

void GridModel::reserveRows(int rows)
{
    for (Column &column : m_columns) {
        switch (column.kind) {
        case CellKind::Text:
            column.texts.reserve(size_t(rows));
            break;
        case CellKind::Number:
            column.numbers.reserve(size_t(rows));
            break;
        case CellKind::Picture:
            column.pictures.reserve(size_t(rows));
            break;
        }
    }
    m_rowIds.reserve(size_t(rows));
}

void GridModel::appendRows(int col, std::span<const QString> texts)
{
    if (texts.empty())
        return;
    const int first = m_rowCount + 1;
    const int last = m_rowCount + int(texts.size());
    const bool notify = m_batchDepth == 0;
    if (notify)
        beginInsertRows({}, first - 1, last - 1);
    else if (!m_batchReset) {
        beginResetModel();
        m_batchReset = true;
    }
    resizeColumns(last);
    m_rowCount = last;
    const bool textColumn = col >= 1 && col <= columnCount() && m_specs[col - 1].kind == CellKind::Text;
    for (int row = first; textColumn && row <= last; ++row)
        m_columns[col - 1].texts[row - 1] = texts[size_t(row - first)];
    if (notify)
        endInsertRows();
}

quint64 GridModel::rowId(int row) const
{
    return row >= 1 && row <= m_rowCount ? m_rowIds[row - 1] : 0;
}

int GridModel::rowOf(quint64 id) const
{
    // Identities grow down the grid: a binary search finds the row.
    const auto found = std::lower_bound(m_rowIds.begin(), m_rowIds.end(), id);
    return found != m_rowIds.end() && *found == id ? int(found - m_rowIds.begin()) + 1 : 0;
}

void GridModel::emitCellChanged(int row, int col)
{
    const QModelIndex changed = index(row - 1, col - 1);
    emit dataChanged(changed, changed);
}

GridModel::Batch::Batch(GridModel &model)
    : m_model(model)
{
    ++m_model.m_batchDepth;
}

GridModel::Batch::~Batch()
{
    if (--m_model.m_batchDepth == 0)
        m_model.endBatch();
}

void GridModel::endBatch()
{
    if (m_batchReset) {
        m_batchReset = false;
        endResetModel();
    } else if (m_dirtyLastRow >= m_dirtyFirstRow && m_rowCount > 0) {
        const int last = qMin(m_dirtyLastRow, m_rowCount);
        if (last >= m_dirtyFirstRow)
            emit dataChanged(index(m_dirtyFirstRow - 1, 0), index(last - 1, columnCount() - 1));
    }
    m_dirtyFirstRow = 0;
    m_dirtyLastRow = -1;
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_specs.size());
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    const int row = index.row() + 1;
    const int col = index.column() + 1;
    if (!index.isValid() || !isCell(row, col))
        return {};
    const CellKind kind = m_specs[col - 1].kind;
    const quint32 colour = backColour(row, col);
    switch (role) {
    case Qt::DisplayRole:
        return kind == CellKind::Picture ? QVariant() : QVariant(text(row, col));
    case Qt::TextAlignmentRole:
        return kind == CellKind::Number ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter))
                                        : QVariant(int(Qt::AlignLeft | Qt::AlignVCenter));
    case Qt::BackgroundRole:
        return colour == kNoColour ? QVariant() : QVariant(unpack(colour));
    case Qt::ForegroundRole:
        if (col == m_mutedColumn && !rowMark(row).isEmpty())
            return mutedText(colour);
        return colour == kNoColour ? QVariant() : QVariant(contrastingText(unpack(colour)));
    case Qt::FontRole:
        return slantedIfMarked(row, col);
    case Qt::DecorationRole: {
        const int id = picture(row, col);
        return id == 0 ? QVariant() : QVariant(m_pictures[id - 1]);
    }
    case Qt::AccessibleTextRole: {
        const QString shown = kind == CellKind::Picture ? QString() : text(row, col);
        const QString words = spokenWords(row, col);
        return shown.isEmpty() || words.isEmpty() ? shown + words : shown + QStringLiteral(", ") + words;
    }
    case Qt::AccessibleDescriptionRole: {
        const QString words = spokenWords(row, col);
        const QString mark = rowMark(row);
        return words.isEmpty() || mark.isEmpty() ? words + mark : words + QStringLiteral(", ") + mark;
    }
    case Qt::ToolTipRole:
        return m_rowToolTip ? QVariant(m_rowToolTip(row)) : QVariant();
    default:
        return {};
    }
}

// A marked row's muted cell is slanted too, so that its mark never rests on colour alone.
QVariant GridModel::slantedIfMarked(int row, int col) const
{
    if (col != m_mutedColumn || rowMark(row).isEmpty())
        return {};
    QFont slanted;
    slanted.setItalic(true); // only the slant: the rest is the grid's own font
    return slanted;
}

void GridModel::setRowMark(std::function<QString(int row)> mark, int mutedColumn)
{
    m_rowMark = std::move(mark);
    m_mutedColumn = mutedColumn;
}

void GridModel::rowMarksChanged()
{
    if (m_rowCount > 0)
        emit dataChanged(index(0, 0), index(m_rowCount - 1, columnCount() - 1),
                         {Qt::ForegroundRole, Qt::FontRole, Qt::AccessibleDescriptionRole});
}

// What the cell's colour or picture tells, in words; empty when it tells nothing.
QString GridModel::spokenWords(int row, int col) const
{
    const int id = picture(row, col);
    if (id != 0)
        return m_pictureWords.value(id - 1);
    return m_colourWords.value(backColour(row, col));
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < columnCount() ? QVariant(m_specs[section].header) : QVariant();
    return section + 1;
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable; // selectable, never editable
}
