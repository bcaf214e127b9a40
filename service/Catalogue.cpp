#include "service/Catalogue.h"

#include "service/SeededNoise.h"

#include <QFile>
#include <QIODevice>

#include <algorithm>

namespace {

const QString kBundledPath = QStringLiteral(":/tickerloom/catalogue.csv");
constexpr qint64 kSyntheticChannel = 0x5359; // keeps synthetic prices apart from the walk's draws

bool parseCents(QStringView text, qint64 *cents)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || value <= 0 || value > 1e9)
        return false;
    *cents = qRound64(value * 100);
    return true;
}

QString lineError(int lineNumber, const QString &reason)
{
    return QStringLiteral("line %1: %2").arg(lineNumber).arg(reason);
}

bool isAscii(QStringView text)
{
    for (QChar c : text) {
        if (c.unicode() > 0x7F)
            return false;
    }
    return true;
}

char16_t asciiUpper(char16_t c)
{
    return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
}

// FNV-1a over the upper-case characters, so equal for a code in any letter
// case, with a final mix: codes such as SYN00001, SYN00002... differ in few
// bits, and the table's position looks only at the low ones.
quint64 asciiUpperHash(QStringView text)
{
    quint64 hash = 14695981039346656037ULL;
    for (QChar c : text)
        hash = (hash ^ asciiUpper(c.unicode())) * 1099511628211ULL;
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDULL;
    return hash ^ (hash >> 33);
}

char16_t unit(QChar c)
{
    return c.unicode();
}

char16_t unit(char c)
{
    return char16_t(uchar(c));
}

// For text of plain ASCII: the same as upperCode == text.toUpper(), with the
// code as text or in single bytes.
template <typename Code> bool equalsInAnyCase(Code upperCode, QStringView asciiText)
{
    if (upperCode.size() != asciiText.size())
        return false;
    for (qsizetype i = 0; i < asciiText.size(); ++i) {
        if (unit(upperCode[i]) != asciiUpper(asciiText[i].unicode()))
            return false;
    }
    return true;
}

} // namespace

Catalogue Catalogue::bundled()
{
    Catalogue catalogue;
    QFile file(kBundledPath);
    QString error;
    // The bundled list is checked by the tests; failing here means a broken build.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text) || !catalogue.load(file, &error))
        qFatal("The bundled catalogue does not load: %s", qPrintable(error));
    return catalogue;
}

bool Catalogue::load(QIODevice &device, QString *error)
{
    int lineNumber = 0;
    while (!device.atEnd()) {
        const QString line = QString::fromUtf8(device.readLine()).trimmed();
        ++lineNumber;
        if (lineNumber == 1 || line.isEmpty())
            continue; // the header, and blank lines
        const QStringList fields = line.split(u',');
        Scrip scrip;
        if (fields.size() != 3) {
            *error = lineError(lineNumber, QStringLiteral("expected code,name,reference_price"));
            return false;
        }
        scrip.code = fields[0].trimmed().toUpper();
        scrip.name = fields[1].trimmed();
        if (!parseCents(fields[2], &scrip.referenceCents)) {
            *error = lineError(lineNumber, QStringLiteral("bad reference price"));
            return false;
        }
        if (!add(std::move(scrip), error)) {
            *error = lineError(lineNumber, *error);
            return false;
        }
    }
    return true;
}

void Catalogue::addSynthetic(int count, quint64 seed)
{
    for (int number = 1; number <= count; ++number) {
        Scrip scrip;
        scrip.code = QStringLiteral("SYN%1").arg(number, 5, 10, QLatin1Char('0'));
        scrip.name = QStringLiteral("Synthetic Scrip %1").arg(number, 5, 10, QLatin1Char('0'));
        // 10.00 to 5000.00 in whole rupees keeps the walk's ticks meaningful.
        scrip.referenceCents = 100 * SeededNoise::between(seed, quint64(number), 0, kSyntheticChannel, 10, 5000);
        QString ignored;
        add(std::move(scrip), &ignored); // SYN codes cannot clash with each other
    }
}

QByteArrayView Catalogue::codeLatin1(int index) const
{
    const qsizetype start = m_codeStarts[size_t(index)];
    return QByteArrayView(m_codesLatin1.constData() + start, m_codeStarts[size_t(index) + 1] - start);
}

int Catalogue::indexOf(QStringView code, int hint) const
{
    if (hint >= 0 && hint < size() && isAscii(code) && equalsInAnyCase(QStringView(at(hint).code), code))
        return hint;
    return indexOf(code);
}

int Catalogue::indexOf(QStringView code) const
{
    if (isAscii(code)) {
        return find(asciiUpperHash(code), [this, code](const Slot &slot) {
            const QByteArrayView stored(m_codesLatin1.constData() + slot.codeStart, slot.codeSize);
            return (slot.codeSize & kNotAscii) == 0 && equalsInAnyCase(stored, code);
        });
    }
    // Letters beyond ASCII have upper cases of other lengths ("ß" is "SS"):
    // such a code is compared whole, in upper case.
    const QString upper = code.toString().toUpper();
    if (isAscii(upper))
        return indexOf(upper);
    return find(asciiUpperHash(upper), [this, &upper](const Slot &slot) {
        return (slot.codeSize & kNotAscii) && at(slot.index).code == upper;
    });
}

std::vector<int> Catalogue::search(QStringView text) const
{
    std::vector<int> found;
    for (int index = 0; index < size() && int(found.size()) < kMaxSearchResults; ++index) {
        const Scrip &scrip = at(index);
        if (scrip.code.contains(text, Qt::CaseInsensitive) || scrip.name.contains(text, Qt::CaseInsensitive))
            found.push_back(index);
    }
    return found;
}

bool Catalogue::add(Scrip scrip, QString *error)
{
    scrip.code = scrip.code.toUpper();
    if (scrip.code.isEmpty() || scrip.name.isEmpty()) {
        *error = QStringLiteral("empty code or name");
        return false;
    }
    if (indexOf(scrip.code) >= 0) {
        *error = QStringLiteral("code %1 listed twice").arg(scrip.code);
        return false;
    }
    if (m_codeStarts.empty())
        m_codeStarts.push_back(0);
    m_codesLatin1 += scrip.code.toLatin1();
    m_codeStarts.push_back(m_codesLatin1.size());
    m_scrips.push_back(std::move(scrip));
    addToTable(size() - 1);
    return true;
}

void Catalogue::addToTable(int index)
{
    // At most 70% full, so that a probe meets a free slot soon; the table
    // stays small enough to sit in the processor's cache.
    if (10 * m_scrips.size() > 7 * m_table.size()) {
        m_table.assign(std::max<size_t>(64, 2 * m_table.size()), Slot());
        for (int known = 0; known < index; ++known)
            placeInTable(known);
    }
    placeInTable(index);
}

void Catalogue::placeInTable(int index)
{
    const QString &code = m_scrips[size_t(index)].code; // upper case already
    const quint64 hash = asciiUpperHash(code);
    const size_t mask = m_table.size() - 1;
    size_t slot = hash & mask;
    while (m_table[slot].index >= 0)
        slot = (slot + 1) & mask;
    const qsizetype start = m_codeStarts[size_t(index)];
    const quint32 size = quint32(m_codeStarts[size_t(index) + 1] - start);
    m_table[slot] = {quint32(hash >> 32), index, quint32(start), isAscii(code) ? size : size | kNotAscii};
}

template <typename Matches> int Catalogue::find(quint64 hash, Matches &&matches) const
{
    if (m_table.empty())
        return -1;
    const size_t mask = m_table.size() - 1;
    for (size_t slot = hash & mask; m_table[slot].index >= 0; slot = (slot + 1) & mask) {
        const Slot &candidate = m_table[slot];
        if (candidate.check == quint32(hash >> 32) && matches(candidate))
            return candidate.index;
    }
    return -1;
}
