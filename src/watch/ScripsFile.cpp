#include "watch/ScripsFile.h"

#include "watch/FileSwap.h"

namespace ScripsFile {

QStringList lines(const QByteArray &bytes)
{
    const QByteArrayView all(bytes);
    QStringList result;
    qsizetype start = 0;
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (all[i] != '\r')
            continue;
        result.append(QString::fromLatin1(all.sliced(start, i - start)));
        if (i + 1 < all.size() && all[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < all.size())
        result.append(QString::fromLatin1(all.sliced(start)));
    return result;
}

bool holdsScrip(const QString &line)
{
    for (QChar c : line)
        if (c != u' ')
            return true;
    return false;
}

QByteArray serialize(const QStringList &rows)
{
    QByteArray bytes;
    for (const QString &row : rows) {
        bytes += row.toLatin1();
        bytes += "\r\n";
    }
    return bytes;
}

QString save(const QString &path, const QStringList &rows)
{
    return FileSwap::replace(path, serialize(rows), FileSwap::Link::Follow);
}

void removeStaleTemporaries(const QString &path)
{
    FileSwap::removeLeftovers(path, FileSwap::Link::Follow);
}

} // namespace ScripsFile
