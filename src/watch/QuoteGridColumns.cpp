#include "watch/QuoteGridColumns.h"

namespace QuoteGridColumns {

QList<GridModel::ColumnSpec> specs()
{
    using Kind = GridModel::CellKind;
    return {
        {QStringLiteral("SYMBOL"), Kind::Text, 0, 18},    {QStringLiteral("BID"), Kind::Number, 2, 10},
        {QStringLiteral("ASK"), Kind::Number, 2, 10},     {QStringLiteral("LTP"), Kind::Number, 2, 10},
        {QStringLiteral("CHANGE %"), Kind::Number, 2, 8}, {QStringLiteral("TREND"), Kind::Picture, 0, 5.25},
        {QStringLiteral("OPEN"), Kind::Number, 2, 10},    {QStringLiteral("HIGH"), Kind::Number, 2, 10},
        {QStringLiteral("LOW"), Kind::Number, 2, 10},     {QStringLiteral("P.CLOSE"), Kind::Number, 2, 10},
        {QStringLiteral("VOLUME"), Kind::Number, 0, 16},
    };
}

} // namespace QuoteGridColumns
