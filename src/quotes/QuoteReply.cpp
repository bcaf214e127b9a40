#include "quotes/QuoteReply.h"

#include "protocol/QuoteProtocol.h"
#include "quotes/NumberRules.h"

namespace QuoteReply {
namespace {

// A line's characters: text, or Latin-1 bytes read one character per byte.
inline const char16_t *unitsOf(QStringView line)
{
    return line.utf16();
}
inline const char *unitsOf(QLatin1StringView line)
{
    return line.data();
}

// Walks a line's comma-separated fields from the left, reading each where it
// stands: a number field is scanned once, never cut out first. Once the line
// has no field left, every field reads as missing. View is QStringView or
// QLatin1StringView.
template <typename View> class FieldCursor
{
public:
    using Char = std::remove_const_t<std::remove_pointer_t<decltype(unitsOf(View()))>>;

    explicit FieldCursor(View line)
        : m_at(unitsOf(line))
        , m_end(unitsOf(line) + line.size())
    {
    }

    // The next field whole, or a null view when the line has no more.
    View text()
    {
        if (m_done)
            return View();
        const Char *const start = m_at;
        const Char *comma = start;
        while (comma != m_end && *comma != u',')
            ++comma;
        passComma(comma);
        return View(start, comma - start);
    }

    void skip() { text(); }

    // Reads the next field by the number rule into target, which keeps its
    // value when the field is missing or does not convert; true when it
    // converted. The usual plain decimal is read inline; anything else out of line.
    [[gnu::always_inline]] bool numberInto(double &target)
    {
        if (m_done)
            return false;
        double value = 0;
        const qsizetype read = NumberRules::readPlainNumber(m_at, m_end, value);
        if (read < 0)
            return scannedNumberInto(target);
        passComma(m_at + read);
        target = value;
        return true;
    }

    std::optional<double> number()
    {
        double value = 0;
        return numberInto(value) ? std::optional<double>(value) : std::nullopt;
    }

private:
    // Moves past the field that ends at end: a comma, or the end of the line.
    void passComma(const Char *end)
    {
        m_done = end == m_end;
        m_at = m_done ? end : end + 1;
    }

    // A field that is not a plain decimal: the full number rule.
    [[gnu::noinline]] bool scannedNumberInto(double &target)
    {
        double value = 0;
        const qsizetype read = NumberRules::readNumber(View(m_at, m_end - m_at), value);
        // No number is ever followed by a comma of its own: where its reading
        // stops, the field must end.
        if (read >= 0 && (m_at + read == m_end || m_at[read] == u',')) {
            passComma(m_at + read);
            target = value;
            return true;
        }
        skip();
        return false;
    }

    const Char *m_at;
    const Char *m_end;
    bool m_done = false;
};

// True when there was a value to set.
bool setNumber(double &target, const std::optional<double> &value)
{
    if (value)
        target = *value;
    return value.has_value();
}

// Reads the field at the cursor into its place in the numbers, or as the
// trend text. One case per field of the protocol: a field added there is
// read here, or the compiler says that it is not.
template <typename View>
void readField(FieldCursor<View> &fields, QuoteProtocol::Field field, QuoteNumbers &numbers, View &trendText)
{
    using namespace QuoteProtocol;
    switch (field) {
    case Symbol:
        fields.skip(); // read apart, as the line's key
        return;
    case Bid:
        fields.numberInto(numbers.Bid);
        return;
    case Ask:
        fields.numberInto(numbers.Ask);
        return;
    case Ltp:
        fields.numberInto(numbers.Ltp);
        return;
    case ChangePct:
        setNumber(numbers.ChangePct, NumberRules::parseChange(fields.text()));
        return;
    case TrendText:
        trendText = fields.text();
        return;
    case High:
        fields.numberInto(numbers.High);
        return;
    case Low:
        fields.numberInto(numbers.Low);
        return;
    case Volume:
        if (const std::optional<double> volume = fields.number())
            if (const std::optional<qint64> whole = NumberRules::toInteger(*volume))
                numbers.Volume = *whole;
        return;
    case Open:
        numbers.openSent = fields.numberInto(numbers.Open);
        return;
    case PrevClose:
        numbers.prevCloseSent = fields.numberInto(numbers.PrevClose);
        return;
    }
}

// Fills the numbers from the line's fields past its symbol, in the order the
// service writes them; returns the trend text's field, a null view when the
// line has none. A later fetch's line ends at VOLUME, and fields beyond the
// last are ignored.
template <typename View> View readFields(FieldCursor<View> &fields, bool FirstFetch, QuoteNumbers &numbers)
{
    View trendText;
    for (int field = QuoteProtocol::Symbol + 1; field < QuoteProtocol::fieldCount(FirstFetch); ++field)
        readField(fields, QuoteProtocol::Field(field), numbers, trendText);
    return trendText;
}

template <typename View> bool isBlank(View line)
{
    for (const auto *at = unitsOf(line), *end = at + line.size(); at != end; ++at)
        if (*at != u' ')
            return false;
    return true;
}

template <typename View> void readNumbersOf(View line, bool FirstFetch, QuoteNumbers &numbers)
{
    FieldCursor<View> fields(line);
    fields.skip();
    readFields(fields, FirstFetch, numbers);
}

} // namespace

bool isBlankLine(QStringView line)
{
    return isBlank(line);
}

bool isBlankLine(QLatin1StringView line)
{
    return isBlank(line);
}

void readNumbers(QStringView line, bool FirstFetch, QuoteNumbers &numbers)
{
    readNumbersOf(line, FirstFetch, numbers);
}

void readNumbers(QLatin1StringView line, bool FirstFetch, QuoteNumbers &numbers)
{
    readNumbersOf(line, FirstFetch, numbers);
}

QStringView symbolOf(QStringView line)
{
    return FieldCursor<QStringView>(line).text();
}

QLatin1StringView symbolOf(QLatin1StringView line)
{
    return FieldCursor<QLatin1StringView>(line).text();
}

QuoteRecord parseLine(QStringView line, bool FirstFetch)
{
    FieldCursor<QStringView> fields(line);
    QuoteRecord record;
    record.Symbol = fields.text().toString();
    const QStringView trendText = readFields(fields, FirstFetch, record);
    if (!trendText.isNull())
        record.TrendText = trendText.toString();
    return record;
}

} // namespace QuoteReply
