#pragma once

#include "service/Scrip.h"

#include <QByteArrayView>
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
    // Appends one scrip, its code in upper case. Returns false, with a reason
    // in *error, for an empty code or name or a code listed already.
    bool add(Scrip scrip, QString *error);

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
    // A slot of the table of codes: the scrip's index, or -1 when free, more
    // bits of its code's hash, so that a lookup seldom compares codes that
    // cannot match, and where its code is in m_codesLatin1, so that comparing
    // an ASCII code reads nothing else.
    struct Slot
    {
        quint32 check = 0;
        qint32 index = -1;
        quint32 codeStart = 0;
        quint32 codeSize = 0; // kNotAscii is set for a code beyond ASCII
    };
    static constexpr quint32 kNotAscii = 0x80000000U;

    void addToTable(int index);
    void placeInTable(int index);
    template <typename Matches> int find(quint64 hash, Matches &&matches) const;

    std::vector<Scrip> m_scrips;
    QByteArray m_codesLatin1;            // all codes side by side, for replies and lookups
    std::vector<qsizetype> m_codeStarts; // in m_codesLatin1, one more than there are scrips
    // The one index of the codes, by open addressing: a long list makes one
    // lookup per symbol, and an ASCII symbol needs no upper-case copy.
    std::vector<Slot> m_table;
};
