#include "quotes/QuoteReply.h"

#include "protocol/QuoteProtocol.h"
#include "quotes/NumberRules.h"

namespace QuoteReply {
namespace {

// Walks a line's comma-separated fields from the left, reading each where it
// stands: a number field is scanned once, never cut out first. Once the line
// has no field left, every field reads as missing.
class FieldCursor
{
public:
    explicit FieldCursor(QStringView line)
        : m_at(line.utf16())
        , m_end(line.utf16() + line.size())
    {
    }

    // The next field whole, or a null view when the line has no more.
    QStringView text()
    {
        if (m_done)
            return QStringView();
        const char16_t *const start = m_at;
        const char16_t *comma = start;
        while (comma != m_end && *comma != u',')
            ++comma;
        passComma(comma);
        return QStringView(start, comma);
    }

    void skip() { text(); }

    // The next field by the number rule; none when it is missing or does not convert.
    std::optional<double> number()
    {
        if (m_done)
            return std::nullopt;
        double value = 0;
        const qsizetype read = NumberRules::readNumber(QStringView(m_at, m_end), value);
        // No number is ever followed by a comma of its own: where its reading
        // stops, the field must end.
        if (read >= 0 && (m_at + read == m_end || m_at[read] == u',')) {
            passComma(m_at + read);
            return value;
        }
        skip();
        return std::nullopt;
    }

private:
    // Moves past the field that ends at end: a comma, or the end of the line.
    void passComma(const char16_t *end)
    {
        m_done = end == m_end;
        m_at = m_done ? end : end + 1;
    }

    const char16_t *m_at;
    const char16_t *m_end;
    bool m_done = false;
};

void setNumber(double &target, const std::optional<double> &value)
{
    if (value)
        target = *value;
}

// Fills the numbers from the line's fields, whose symbol was read already;
// returns the trend text's field, a null view when the line has none. The
// fields are read in the order the service writes them.
static_assert(QuoteProtocol::Bid == 1 && QuoteProtocol::Ask == 2 && QuoteProtocol::Ltp == 3 &&
              QuoteProtocol::ChangePct == 4 && QuoteProtocol::TrendText == 5 && QuoteProtocol::High == 6 &&
              QuoteProtocol::Low == 7 && QuoteProtocol::Volume == 8 && QuoteProtocol::Open == 9 &&
              QuoteProtocol::PrevClose == 10);
QStringView readFields(FieldCursor &fields, bool FirstFetch, QuoteNumbers &numbers)
{
    setNumber(numbers.Bid, fields.number());
    setNumber(numbers.Ask, fields.number());
    setNumber(numbers.Ltp, fields.number());
    setNumber(numbers.ChangePct, NumberRules::parseChange(fields.text()));
    const QStringView trendText = fields.text();
    setNumber(numbers.High, fields.number());
    setNumber(numbers.Low, fields.number());
    if (const std::optional<double> volume = fields.number())
        if (const std::optional<qint64> whole = NumberRules::toInteger(*volume))
            numbers.Volume = *whole;
    if (FirstFetch) {
        const std::optional<double> open = fields.number();
        const std::optional<double> previousClose = fields.number();
        setNumber(numbers.Open, open);
        setNumber(numbers.PrevClose, previousClose);
        numbers.openCloseSent = open || previousClose;
    }
    // Fields beyond are ignored.
    return trendText;
}

} // namespace

bool isBlankLine(QStringView line)
{
    for (QChar c : line)
        if (c != u' ')
            return false;
    return true;
}

void readNumbers(QStringView line, bool FirstFetch, QuoteNumbers &numbers)
{
    FieldCursor fields(line);
    fields.skip();
    readFields(fields, FirstFetch, numbers);
}

QStringView symbolOf(QStringView line)
{
    return FieldCursor(line).text();
}

QuoteRecord parseLine(QStringView line, bool FirstFetch)
{
    FieldCursor fields(line);
    QuoteRecord record;
    record.Symbol = fields.text().toString();
    const QStringView trendText = readFields(fields, FirstFetch, record);
    if (!trendText.isNull())
        record.TrendText = trendText.toString();
    return record;
}

std::vector<QuoteRecord> parse(QStringView body, bool FirstFetch)
{
    std::vector<QuoteRecord> records;
    records.reserve(size_t(qMin<qsizetype>(body.size() / 48, 65536))); // about a record per line of quote data
    forEachQuoteLine(body, [&](QStringView line) { records.push_back(parseLine(line, FirstFetch)); });
    return records;
}

} // namespace QuoteReply
