#pragma once

#include "service/Scrip.h"

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <vector>

class QIODevice;

// The scrips the service knows, in a fixed order: the bundled list of real
// companies, optionally followed by generated ones for large lists.
class Catalogue
{
public:
    static constexpr int kMaxSearchResults = 50;

    // The list compiled into the program.
    static Catalogue bundled();

    // Reads "code,name,reference_price" lines after a header line. Returns
    // false, with a reason in *error, at the first line that does not fit.
    bool load(QIODevice &device, QString *error);

    // Appends count scrips SYN00001, SYN00002, ... with prices drawn from seed.
    void addSynthetic(int count, quint64 seed);

    int size() const { return int(m_scrips.size()); }
    const Scrip &at(int index) const { return m_scrips[size_t(index)]; }
    // The code in single-byte characters, as the replies spell it.
    QByteArrayView codeLatin1(int index) const;

    // The index of the scrip with this code in any letter case, or -1.
    int indexOf(QStringView code) const;
    // The same, looking at the scrip at hint first: a long list often
    // follows the catalogue's order.
    int indexOf(QStringView code, int hint) const;

    // Indexes of the scrips whose code or name contains text (any letter
    // case), in catalogue order, at most kMaxSearchResults of them.
    std::vector<int> search(QStringView text) const;

private:
    // A slot of the table of ASCII codes: the scrip's index, or -1 when free,
    // more bits of its code's hash, so that a lookup seldom compares codes
    // that cannot match, and where its code is in m_codesLatin1, so that a
    // comparison reads nothing else.
    struct AsciiSlot
    {
        quint32 check = 0;
        qint32 index = -1;
        quint32 codeStart = 0;
        quint32 codeSize = 0;
    };

    bool add(Scrip scrip, QString *error);
    void addToAsciiTable(int index);
    void placeInAsciiTable(int index);
    int indexOfAscii(QStringView code) const;

    std::vector<Scrip> m_scrips;
    QByteArray m_codesLatin1;            // all codes side by side, for replies and lookups
    std::vector<qsizetype> m_codeStarts; // in m_codesLatin1, one more than there are scrips
    QHash<QString, int> m_indexByCode;   // upper-case code -> index
    // The same for codes of plain ASCII, by open addressing: a long list makes
    // one lookup per symbol, and these need no upper-case copy of the symbol.
    std::vector<AsciiSlot> m_asciiTable;
};
