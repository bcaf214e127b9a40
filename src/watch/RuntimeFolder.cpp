#include "watch/RuntimeFolder.h"

#include "watch/ListLog.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace RuntimeFolder {

QString forSockets()
{
    return choose(qgetenv("XDG_RUNTIME_DIR"), QDir::tempPath());
}

QString choose(const QByteArray &xdgRuntimeDir, const QString &temporaryFolder)
{
    const QString runtime = QFile::decodeName(xdgRuntimeDir);
    if (QDir::isAbsolutePath(runtime) && isPrivate(runtime))
        return QDir::cleanPath(runtime);
    QString own = QDir(temporaryFolder).filePath(QStringLiteral("tickerloom-%1").arg(::geteuid()));
    ::mkdir(QFile::encodeName(own).constData(), 0700); // there already, maybe
    if (isPrivate(own))
        return own;
    qCDebug(lcList) << "no folder for the list's socket: neither" << runtime << "nor" << own << "is the user's alone";
    return QString();
}

bool isPrivate(const QString &folder)
{
    struct stat status
    {
    };
    return ::lstat(QFile::encodeName(folder).constData(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == ::geteuid() && (status.st_mode & 077) == 0;
}

} // namespace RuntimeFolder
