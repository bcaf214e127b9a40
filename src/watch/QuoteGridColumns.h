#pragma once

#include "watch/GridModel.h"

// The quote grid's eleven columns: headers, cell kinds, decimals and widths.
namespace QuoteGridColumns {

QList<GridModel::ColumnSpec> specs();

} // namespace QuoteGridColumns
