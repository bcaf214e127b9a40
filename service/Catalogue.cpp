#include "service/Catalogue.h"

#include "service/SeededNoise.h"

#include <QFile>
#include <QIODevice>

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

int Catalogue::indexOf(QStringView code) const
{
    return m_indexByCode.value(code.toString().toUpper(), -1);
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
    if (scrip.code.isEmpty() || scrip.name.isEmpty()) {
        *error = QStringLiteral("empty code or name");
        return false;
    }
    if (m_indexByCode.contains(scrip.code)) {
        *error = QStringLiteral("code %1 listed twice").arg(scrip.code);
        return false;
    }
    m_indexByCode.insert(scrip.code, size());
    m_scrips.push_back(std::move(scrip));
    return true;
}
