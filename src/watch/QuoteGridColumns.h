#pragma once

#include "watch/GridModel.h"

// The quote grid's eleven columns, numbered from 1 as the grid counts them:
// the one place that says which column holds what, how it is headed, what
// kind of cell it has and how wide it is.
namespace QuoteGridColumns {

enum Column { Symbol = 1, Bid, Ask, Ltp, ChangePct, Trend, Open, High, Low, PrevClose, Volume };

constexpr int kCount = Volume;

// Headers, cell kinds, decimals and widths, in column order.
QList<GridModel::ColumnSpec> specs();

} // namespace QuoteGridColumns
