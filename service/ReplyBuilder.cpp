#include "service/ReplyBuilder.h"

#include "protocol/QuoteProtocol.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace ReplyBuilder {
namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr qsizetype kQuoteLineGuess = 96; // bytes, to size a long reply once
// The most a quote line can hold after its code: seven prices of at most 21
// characters, the change, the trend, the volume, the commas and the line end.
constexpr qsizetype kMaxLineTail = 256;

// A long reply holds some 300,000 numbers: each field is written in place,
// with nothing allocated on the way.
char *writeDigits(char *out, quint64 value)
{
    return std::to_chars(out, out + 20, value).ptr; // 20 digits hold any 64-bit value
}

char *writeText(char *out, QByteArrayView text)
{
    std::memcpy(out, text.data(), size_t(text.size()));
    return out + text.size();
}

char *writeCents(char *out, qint64 cents)
{
    if (cents == ScripQuote::kBlank)
        return out;
    quint64 magnitude = quint64(cents);
    if (cents < 0) {
        *out++ = '-';
        magnitude = 0 - magnitude;
    }
    out = writeDigits(out, magnitude / 100);
    *out++ = '.';
    *out++ = char('0' + magnitude % 100 / 10);
    *out++ = char('0' + magnitude % 10);
    return out;
}

bool changeKnown(qint64 lastCents, qint64 prevCents)
{
    return lastCents != ScripQuote::kBlank && prevCents != ScripQuote::kBlank;
}

char *writeChange(char *out, qint64 lastCents, qint64 prevCents)
{
    if (!changeKnown(lastCents, prevCents))
        return out;
    // In hundredths of a per cent, rounded half away from zero, so the sign
    // always agrees with the printed digits (never "-0.00").
    const qint64 scaled = prevCents > 0 ? qRound64(double(lastCents - prevCents) * 10000.0 / double(prevCents)) : 0;
    *out++ = '(';
    if (scaled > 0)
        *out++ = '+';
    out = writeCents(out, scaled);
    *out++ = '%';
    *out++ = ')';
    return out;
}

QByteArrayView trend(qint64 lastCents, qint64 prevCents)
{
    if (!changeKnown(lastCents, prevCents))
        return "";
    if (lastCents > prevCents)
        return "UP";
    if (lastCents < prevCents)
        return "DOWN";
    return "EVEN";
}

char *writeVolume(char *out, qint64 volume)
{
    return volume == ScripQuote::kBlank ? out : writeDigits(out, quint64(qMax<qint64>(volume, 0)));
}

// Writes one field of a quote line at out.
char *writeField(char *out, QuoteProtocol::Field field, QByteArrayView code, const ScripQuote &quote)
{
    using namespace QuoteProtocol;
    switch (field) {
    case Symbol:
        return writeText(out, code);
    case Bid:
        return writeCents(out, quote.bidCents);
    case Ask:
        return writeCents(out, quote.askCents);
    case Ltp:
        return writeCents(out, quote.lastCents);
    case ChangePct:
        return writeChange(out, quote.lastCents, quote.prevCloseCents);
    case TrendText:
        return writeText(out, trend(quote.lastCents, quote.prevCloseCents));
    case High:
        return writeCents(out, quote.highCents);
    case Low:
        return writeCents(out, quote.lowCents);
    case Volume:
        return writeVolume(out, quote.volume);
    case Open:
        return writeCents(out, quote.openCents);
    case PrevClose:
        return writeCents(out, quote.prevCloseCents);
    }
    return out;
}

// Writes one line at out, which has room for code.size() + kMaxLineTail bytes,
// its fields in the order the program reads them.
char *writeQuoteLine(char *out, QByteArrayView code, const ScripQuote &quote, bool firstFetch)
{
    out = writeField(out, QuoteProtocol::Symbol, code, quote);
    for (int field = QuoteProtocol::Symbol + 1; field < QuoteProtocol::fieldCount(firstFetch); ++field) {
        *out++ = ',';
        out = writeField(out, QuoteProtocol::Field(field), code, quote);
    }
    return writeText(out, kLineEnd);
}

} // namespace

QByteArray quotes(const std::vector<QByteArrayView> &codes, const std::vector<ScripQuote> &quotes, bool firstFetch)
{
    QByteArray out;
    out.resize(qsizetype(codes.size()) * kQuoteLineGuess);
    qsizetype used = 0;
    for (size_t i = 0; i < codes.size(); ++i) {
        const QByteArrayView code = codes[i];
        if (out.size() - used < code.size() + kMaxLineTail)
            out.resize(std::max(2 * out.size(), used + code.size() + kMaxLineTail));
        used = writeQuoteLine(out.data() + used, code, quotes[i], firstFetch) - out.constData();
    }
    out.resize(used);
    return out;
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

QByteArray changeText(qint64 lastCents, qint64 prevCents)
{
    char text[48];
    return QByteArray(text, writeChange(text, lastCents, prevCents) - text);
}

} // namespace ReplyBuilder
