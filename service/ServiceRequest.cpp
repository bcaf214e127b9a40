#include "service/ServiceRequest.h"

#include <QHash>

namespace {

const QString kQuotesKey = QString::fromLatin1(QuoteProtocol::kQuotesParameter);
const QString kSearchKey = QString::fromLatin1(QuoteProtocol::kSearchParameter);
const QString kTextKey = QString::fromLatin1(QuoteProtocol::kTextParameter);
const QString kFirstFetchKey = QString::fromLatin1(QuoteProtocol::kFirstFetchParameter);
const QString kOnValue = QString::fromLatin1(QuoteProtocol::kOnValue);
constexpr qsizetype kShownNameLength = 32; // of an unknown parameter, in a reason

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

// Splits "a=1&b=2" into names and raw values. Empty pieces ("&&") are
// skipped; a repeated name is reported through *repeated.
QHash<QString, QStringView> splitParameters(QStringView query, QString *repeated)
{
    QHash<QString, QStringView> parameters;
    for (QStringView piece : query.tokenize(u'&', Qt::SkipEmptyParts)) {
        const qsizetype equals = piece.indexOf(u'=');
        const QString name = (equals < 0 ? piece : piece.left(equals)).toString();
        const QStringView value = equals < 0 ? QStringView() : piece.mid(equals + 1);
        if (parameters.contains(name) && repeated->isEmpty())
            *repeated = name;
        parameters.insert(name, value);
    }
    return parameters;
}

QString unknownParameter(const QHash<QString, QStringView> &parameters)
{
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it) {
        const QString &name = it.key();
        if (name != kQuotesKey && name != kSearchKey && name != kTextKey && name != kFirstFetchKey)
            return name.left(kShownNameLength);
    }
    return {};
}

} // namespace

ServiceRequest ServiceRequest::parse(QStringView encodedQuery)
{
    if (encodedQuery.size() > kMaxQueryLength)
        return refused(Kind::TooLong, QStringLiteral("query of %1 characters is over the limit of %2")
                                          .arg(encodedQuery.size())
                                          .arg(kMaxQueryLength));
    QString repeated;
    const QHash<QString, QStringView> parameters = splitParameters(encodedQuery, &repeated);
    if (!repeated.isEmpty())
        return refused(Kind::Invalid, QStringLiteral("parameter %1 given twice").arg(repeated.left(kShownNameLength)));
    if (const QString unknown = unknownParameter(parameters); !unknown.isEmpty())
        return refused(Kind::Invalid, QStringLiteral("unknown parameter %1").arg(unknown));
    const bool quotes = parameters.contains(kQuotesKey);
    const bool search = parameters.contains(kSearchKey);
    if (quotes == search)
        return refused(Kind::Invalid, quotes ? QStringLiteral("give scr or src, not both")
                                             : QStringLiteral("missing scr (quotes) or src (search)"));
    if (parameters.value(kTextKey) != kOnValue)
        return refused(Kind::Invalid, QStringLiteral("tl must be 1"));
    const bool firstFetchGiven = parameters.contains(kFirstFetchKey);
    if (firstFetchGiven && (search || parameters.value(kFirstFetchKey) != kOnValue))
        return refused(Kind::Invalid, QStringLiteral("ft is only for quotes, and must be 1"));

    ServiceRequest request;
    if (quotes) {
        request.m_kind = Kind::Quotes;
        request.m_firstFetch = firstFetchGiven;
        if (!request.readQuotes(parameters.value(kQuotesKey)))
            return refused(Kind::Invalid, QStringLiteral("bad percent-encoding in scr"));
        if (request.m_symbolCount > kMaxSymbols)
            return refused(Kind::TooLong, QStringLiteral("list of %1 symbols is over the limit of %2")
                                              .arg(request.m_symbolCount)
                                              .arg(kMaxSymbols));
    } else {
        request.m_kind = Kind::Search;
        if (!decode(parameters.value(kSearchKey), &request.m_searchText))
            return refused(Kind::Invalid, QStringLiteral("bad percent-encoding in src"));
    }
    return request;
}

QStringList ServiceRequest::symbols() const
{
    QStringList symbols;
    symbols.reserve(m_symbolCount);
    forEachSymbol([&symbols](QStringView symbol) { symbols.append(symbol.toString()); });
    return symbols;
}

bool ServiceRequest::decode(QStringView encoded, QString *decoded)
{
    decoded->clear();
    decoded->reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const QChar c = encoded[i];
        if (c == u'%') {
            const int high = i + 2 < encoded.size() ? hexValue(encoded[i + 1]) : -1;
            const int low = high >= 0 ? hexValue(encoded[i + 2]) : -1;
            if (low < 0)
                return false;
            *decoded += QChar(char16_t(high * 16 + low)); // one byte, read as Latin-1
            i += 2;
        } else {
            *decoded += c == u'+' ? QChar(u' ') : c;
        }
    }
    return true;
}

ServiceRequest ServiceRequest::refused(Kind kind, const QString &reason)
{
    ServiceRequest request;
    request.m_kind = kind;
    request.m_error = reason;
    return request;
}

// An entry that decodes to itself: most symbols are plain letters and digits.
bool ServiceRequest::isPlain(QStringView entry)
{
    for (QChar c : entry) {
        if (c == u'%' || c == u'+')
            return false;
    }
    return true;
}

// The same test as decode(), without building the text.
bool ServiceRequest::isWellEncoded(QStringView encoded)
{
    for (qsizetype i = encoded.indexOf(u'%'); i >= 0; i = encoded.indexOf(u'%', i + 3)) {
        if (i + 2 >= encoded.size() || hexValue(encoded[i + 1]) < 0 || hexValue(encoded[i + 2]) < 0)
            return false;
    }
    return true;
}

bool ServiceRequest::readQuotes(QStringView encodedList)
{
    if (!isWellEncoded(encodedList))
        return false;
    for ([[maybe_unused]] QStringView entry : encodedList.tokenize(u',', Qt::SkipEmptyParts))
        ++m_symbolCount;
    m_encodedList = encodedList.toString();
    return true;
}
