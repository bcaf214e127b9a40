#include "web/AdvertFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace AdvertFile {

QString replace(const QString &path, const QByteArray &bytes)
{
    const QFileInfo target(path);
    QTemporaryFile temporary(target.absoluteDir().filePath(target.fileName() + QStringLiteral(".XXXXXX")));
    if (!temporary.open())
        return temporary.errorString();
    temporary.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    if (temporary.write(bytes) != bytes.size() || !temporary.flush())
        return temporary.errorString();
    // rename() replaces the name given, whatever it is: Qt's own renames
    // refuse an existing name, and QSaveFile writes through a link.
    const QByteArray from = QFile::encodeName(temporary.fileName());
    const QByteArray to = QFile::encodeName(target.absoluteFilePath());
    if (std::rename(from.constData(), to.constData()) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    temporary.setAutoRemove(false); // it is the file now
    return QString();
}

} // namespace AdvertFile
