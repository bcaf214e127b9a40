#include "service/ReplyBuilder.h"

namespace ReplyBuilder {
namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr qsizetype kQuoteLineGuess = 96; // bytes, to reserve once for a long list

// Digits written by hand: a long reply holds some 300,000 numbers.
void appendDigits(QByteArray &out, quint64 value, int minimumDigits)
{
    char digits[24];
    int count = 0;
    do {
        digits[count++] = char('0' + value % 10);
        value /= 10;
    } while (value != 0 || count < minimumDigits);
    while (count > 0)
        out += digits[--count];
}

} // namespace

QByteArray quotes(const Catalogue &catalogue, Market &market, const QStringList &symbols, bool firstFetch, qint64 nowMs)
{
    QByteArray out;
    out.reserve(symbols.size() * kQuoteLineGuess);
    for (const QString &symbol : symbols) {
        const int index = catalogue.indexOf(symbol);
        if (index >= 0)
            appendQuoteLine(out, catalogue.at(index).code, market.quote(index, nowMs), firstFetch);
    }
    return out;
}

void appendQuoteLine(QByteArray &out, const QString &code, const ScripQuote &quote, bool firstFetch)
{
    out += code.toLatin1();
    out += ',';
    appendCents(out, quote.bidCents);
    out += ',';
    appendCents(out, quote.askCents);
    out += ',';
    appendCents(out, quote.lastCents);
    out += ',';
    out += changeText(quote.lastCents, quote.prevCloseCents);
    out += ',';
    out += trendText(quote.lastCents, quote.prevCloseCents);
    out += ',';
    appendCents(out, quote.highCents);
    out += ',';
    appendCents(out, quote.lowCents);
    out += ',';
    appendDigits(out, quint64(qMax(quote.volume, 0)), 1);
    if (firstFetch) {
        out += ',';
        appendCents(out, quote.openCents);
        out += ',';
        appendCents(out, quote.prevCloseCents);
    }
    out += kLineEnd;
}

QByteArray search(const Catalogue &catalogue, QStringView text)
{
    QByteArray out;
    for (int index : catalogue.search(text)) {
        const Scrip &scrip = catalogue.at(index);
        out += scrip.code.toLatin1();
        out += ',';
        out += scrip.name.toLatin1();
        out += kLineEnd;
    }
    return out;
}

void appendCents(QByteArray &out, qint64 cents)
{
    if (cents < 0) {
        out += '-';
        cents = -cents;
    }
    appendDigits(out, quint64(cents / 100), 1);
    out += '.';
    appendDigits(out, quint64(cents % 100), 2);
}

QByteArray changeText(qint64 lastCents, qint64 prevCents)
{
    // In hundredths of a per cent, rounded half away from zero, so the sign
    // always agrees with the printed digits (never "-0.00").
    const qint64 scaled = prevCents > 0 ? qRound64(double(lastCents - prevCents) * 10000.0 / double(prevCents)) : 0;
    QByteArray out = "(";
    if (scaled > 0)
        out += '+';
    appendCents(out, scaled);
    out += "%)";
    return out;
}

QByteArray trendText(qint64 lastCents, qint64 prevCents)
{
    if (lastCents > prevCents)
        return QByteArrayLiteral("UP");
    if (lastCents < prevCents)
        return QByteArrayLiteral("DOWN");
    return QByteArrayLiteral("EVEN");
}

} // namespace ReplyBuilder
