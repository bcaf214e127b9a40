#pragma once

#include <QString>
#include <QStringList>

// What one "/quote" query asks for, read from its percent-encoded text:
//   scr=LIST&tl=1[&ft=1]  quotes for a comma-separated list of symbols
//   src=TEXT&tl=1         scrips whose code or name contains TEXT
// Values are percent-encoded single bytes (Latin-1), as the program sends
// them; "+" stands for a space, as in HTML forms. Anything else is invalid
// and carries a one-line reason for the 400 reply.
class ServiceRequest
{
public:
    enum class Kind { Quotes, Search, Invalid };

    static ServiceRequest parse(QStringView encodedQuery);

    Kind kind() const { return m_kind; }
    // Quotes: the non-empty entries of the list, decoded, in the order asked.
    const QStringList &symbols() const { return m_symbols; }
    bool firstFetch() const { return m_firstFetch; }
    // Search: the decoded text.
    const QString &searchText() const { return m_searchText; }
    // Invalid: why, in one line.
    const QString &error() const { return m_error; }

    // Percent-decodes one value into Latin-1 text; false on a stray "%".
    static bool decode(QStringView encoded, QString *decoded);

private:
    static ServiceRequest invalid(const QString &reason);
    bool readQuotes(QStringView encodedList);

    Kind m_kind = Kind::Invalid;
    QStringList m_symbols;
    bool m_firstFetch = false;
    QString m_searchText;
    QString m_error;
};
