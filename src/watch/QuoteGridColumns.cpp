#include "watch/QuoteGridColumns.h"

#include <array>

namespace QuoteGridColumns {
namespace {

using Kind = GridModel::CellKind;

struct Design
{
    Column column;
    const char16_t *header;
    Kind kind;
    int decimals;
    double widthInChars;
};

constexpr std::array<Design, kCount> kDesign{{
    {Symbol, u"SYMBOL", Kind::Text, 0, 18},
    {Bid, u"BID", Kind::Number, 2, 10},
    {Ask, u"ASK", Kind::Number, 2, 10},
    {Ltp, u"LTP", Kind::Number, 2, 10},
    {ChangePct, u"CHANGE %", Kind::Number, 2, 8},
    {Trend, u"TREND", Kind::Picture, 0, 5.25},
    {Open, u"OPEN", Kind::Number, 2, 10},
    {High, u"HIGH", Kind::Number, 2, 10},
    {Low, u"LOW", Kind::Number, 2, 10},
    {PrevClose, u"P.CLOSE", Kind::Number, 2, 10},
    {Volume, u"VOLUME", Kind::Number, 0, 16},
}};

constexpr bool inColumnOrder()
{
    for (size_t i = 0; i < kDesign.size(); ++i)
        if (kDesign[i].column != Column(i + 1))
            return false;
    return true;
}
static_assert(inColumnOrder(), "the table lists the columns in their grid order");

} // namespace

QList<GridModel::ColumnSpec> specs()
{
    QList<GridModel::ColumnSpec> columns;
    for (const Design &design : kDesign)
        columns.append({QString::fromUtf16(design.header), design.kind, design.decimals, design.widthInChars});
    return columns;
}

} // namespace QuoteGridColumns
