#include "watch/ScripsFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

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
    QSaveFile file(path);
    // Unbuffered: a buffered write fails only when commit() flushes it, and
    // Qt then still renames the cut temporary file over the list.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    const QByteArray bytes = serialize(rows);
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    return QString();
}

void removeStaleTemporaries(const QString &path)
{
    const QFileInfo list(path);
    const QRegularExpression temporary(QRegularExpression::anchoredPattern(QRegularExpression::escape(list.fileName()) +
                                                                           QStringLiteral("\\.[A-Za-z0-9]{6}")));
    QDir folder = list.absoluteDir();
    for (const QString &name :
         folder.entryList({list.fileName() + QStringLiteral(".??????")}, QDir::Files | QDir::Hidden))
        if (temporary.match(name).hasMatch())
            folder.remove(name);
}

} // namespace ScripsFile
