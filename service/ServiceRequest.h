#pragma once

#include "protocol/QuoteProtocol.h"

#include <QString>
#include <QStringList>

// What one "/quote" query asks for, read from its percent-encoded text:
//   scr=LIST&tl=1[&ft=1]  quotes for a comma-separated list of symbols
//   src=TEXT&tl=1         scrips whose code or name contains TEXT
// Values are percent-encoded single bytes (Latin-1), as the program sends
// them; "+" stands for a space, as in HTML forms. A query or list longer
// than the service takes is TooLong; anything else is Invalid. Both carry a
// one-line reason for the reply.
class ServiceRequest
{
public:
    enum class Kind { Quotes, Search, Invalid, TooLong };

    static constexpr qsizetype kMaxQueryLength = 1 << 20;                 // characters, about 1 MB
    static constexpr qsizetype kMaxSymbols = QuoteProtocol::kLongestList; // the longest list the program sends

    static ServiceRequest parse(QStringView encodedQuery);

    Kind kind() const { return m_kind; }
    // Quotes: the non-empty entries of the list, decoded, in the order asked.
    QStringList symbols() const;
    qsizetype symbolCount() const { return m_symbolCount; }
    // Quotes: calls visit(QStringView symbol) for each entry of symbols(), in
    // order, without building the list. A view lasts for its call only.
    template <typename Visit> void forEachSymbol(Visit &&visit) const;
    bool firstFetch() const { return m_firstFetch; }
    // Search: the decoded text.
    const QString &searchText() const { return m_searchText; }
    // Invalid or TooLong: why, in one line.
    const QString &error() const { return m_error; }

    // Percent-decodes one value into Latin-1 text; false on a stray "%".
    static bool decode(QStringView encoded, QString *decoded);

private:
    static ServiceRequest refused(Kind kind, const QString &reason);
    static bool isPlain(QStringView entry);
    static bool isWellEncoded(QStringView encoded);
    bool readQuotes(QStringView encodedList);

    Kind m_kind = Kind::Invalid;
    QString m_encodedList; // the quotes list as asked; entries are decoded when visited
    qsizetype m_symbolCount = 0;
    bool m_firstFetch = false;
    QString m_searchText;
    QString m_error;
};

template <typename Visit> void ServiceRequest::forEachSymbol(Visit &&visit) const
{
    // Split at the raw commas first: an encoded "%2C" belongs to its symbol.
    QString decoded;
    for (QStringView entry : QStringView(m_encodedList).tokenize(u',', Qt::SkipEmptyParts)) {
        if (isPlain(entry)) {
            visit(entry);
        } else {
            decode(entry, &decoded);
            visit(QStringView(decoded));
        }
    }
}
