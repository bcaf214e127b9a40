#pragma once

#include "service/Catalogue.h"
#include "service/Market.h"
#include "service/ScripQuote.h"

#include <QByteArray>
#include <QStringList>

// Writes the two plain-text replies: CR LF lines of comma-separated fields,
// in single-byte characters.
namespace ReplyBuilder {

// "SYMBOL,bid,ask,last,(+0.53%),UP,high,low,volume" and, on a first fetch,
// ",open,prevclose", one line per known symbol in the order asked; unknown
// symbols are left out.
QByteArray quotes(const Catalogue &catalogue, Market &market, const QStringList &symbols, bool firstFetch,
                  qint64 nowMs);

// One quote line, CR LF included.
void appendQuoteLine(QByteArray &out, const QString &code, const ScripQuote &quote, bool firstFetch);

// "CODE,Company Name" lines of the scrips that match text.
QByteArray search(const Catalogue &catalogue, QStringView text);

// 1234.50 for 123450: a plain decimal with two places and no grouping.
void appendCents(QByteArray &out, qint64 cents);

// "(+0.53%)", "(-1.20%)" or "(0.00%)": the change from prevCents to lastCents.
QByteArray changeText(qint64 lastCents, qint64 prevCents);

// "UP", "DOWN" or "EVEN" against the previous close.
QByteArray trendText(qint64 lastCents, qint64 prevCents);

} // namespace ReplyBuilder
