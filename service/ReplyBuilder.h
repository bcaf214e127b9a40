#pragma once

#include "service/Catalogue.h"
#include "service/ScripQuote.h"

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

// Writes the two plain-text replies: CR LF lines of comma-separated fields,
// in single-byte characters.
namespace ReplyBuilder {

// "SYMBOL,bid,ask,last,(+0.53%),UP,high,low,volume" and, on a first fetch,
// ",open,prevclose": one line for each of quotes, which holds the states of
// the scrips whose codes are at the same places in codes. A blank value
// leaves its field empty, and the change and trend are empty without both
// the last price and the previous close.
QByteArray quotes(const std::vector<QByteArrayView> &codes, const std::vector<ScripQuote> &quotes, bool firstFetch);

// "CODE,Company Name" lines of the scrips that match text.
QByteArray search(const Catalogue &catalogue, QStringView text);

// "(+0.53%)", "(-1.20%)" or "(0.00%)": the change from prevCents to lastCents.
QByteArray changeText(qint64 lastCents, qint64 prevCents);

} // namespace ReplyBuilder
