#include "watch/FileSwap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace FileSwap {
namespace {

const QString kInfix = QStringLiteral(".tickerloom-");

// The file that is replaced: where a followed link leads, else the name.
QFileInfo replaced(const QString &path, Link link)
{
    const QFileInfo name(path);
    if (link == Link::Follow && name.isSymLink() && !name.canonicalFilePath().isEmpty())
        return QFileInfo(name.canonicalFilePath());
    return QFileInfo(name.absoluteFilePath());
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool writeAll(int descriptor, const QByteArray &bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written = ::write(descriptor, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false; // errno says why: a full disk is ENOSPC, or EFBIG past a size limit
        done += written;
    }
    return true;
}

} // namespace

QString replace(const QString &path, const QByteArray &bytes, Link link, const Sync &sync)
{
    const QFileInfo target = replaced(path, link);
    QTemporaryFile temporary(target.absoluteDir().filePath(target.fileName() + kInfix + QStringLiteral("XXXXXX")));
    if (!temporary.open())
        return temporary.errorString();
    temporary.setPermissions(target.exists()
                                 ? QFile::permissions(target.absoluteFilePath())
                                 : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    // Written past Qt's buffer, so that a full disk fails here, and on the
    // disk before the rename, so that a crash leaves one file or the other.
    if (!writeAll(temporary.handle(), bytes) || sync(temporary.handle()) != 0)
        return systemError();
    // rename() replaces the name given, whatever it is; Qt's own renames refuse an existing name.
    const QByteArray from = QFile::encodeName(temporary.fileName());
    const QByteArray to = QFile::encodeName(target.absoluteFilePath());
    if (std::rename(from.constData(), to.constData()) != 0)
        return systemError();
    temporary.setAutoRemove(false); // it is the file now
    return QString();
}

void removeLeftovers(const QString &path, Link link)
{
    const QFileInfo target = replaced(path, link);
    const QString prefix = target.fileName() + kInfix;
    const QRegularExpression leftover(
        QRegularExpression::anchoredPattern(QRegularExpression::escape(prefix) + QStringLiteral("[A-Za-z0-9]{6}")));
    QDir folder = target.absoluteDir();
    for (const QString &name : folder.entryList({prefix + QStringLiteral("*")}, QDir::Files | QDir::Hidden))
        if (leftover.match(name).hasMatch())
            folder.remove(name);
}

} // namespace FileSwap
