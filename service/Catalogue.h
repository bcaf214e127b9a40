#pragma once

#include "service/Scrip.h"

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

    // The index of the scrip with this code in any letter case, or -1.
    int indexOf(QStringView code) const;

    // Indexes of the scrips whose code or name contains text (any letter
    // case), in catalogue order, at most kMaxSearchResults of them.
    std::vector<int> search(QStringView text) const;

private:
    bool add(Scrip scrip, QString *error);

    std::vector<Scrip> m_scrips;
    QHash<QString, int> m_indexByCode; // upper-case code -> index
};
