#include "watch/ListLocation.h"

#include "watch/ListLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace ListLocation {
namespace {

const QString kListName = QStringLiteral("Scrips.dat");

} // namespace

Places choose(const Folders &folders)
{
    if (folders.programWritable)
        return {QDir(folders.program).filePath(kListName), folders.startedIn};
    return {QDir(folders.userData).filePath(kListName), folders.userCache};
}

Folders ofThisProgram(const QStringList &installFolders)
{
    Folders folders;
    folders.program = QCoreApplication::applicationDirPath();
    const bool installed = std::any_of(installFolders.begin(), installFolders.end(), [&](const QString &folder) {
        return QFileInfo(folders.program) == QFileInfo(folder);
    });
    folders.programWritable = !installed && QFileInfo(folders.program).isWritable();
    folders.userData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    folders.userCache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    folders.startedIn = QDir::currentPath();
    return folders;
}

void prepare(const Places &places, const Folders &folders)
{
    const QString besideProgram = QDir(folders.program).filePath(kListName);
    if (!folders.programWritable && !QFile::exists(places.scripsPath) && QFile::exists(besideProgram) &&
        QDir().mkpath(QFileInfo(places.scripsPath).absolutePath())) {
        const bool copied = QFile::copy(besideProgram, places.scripsPath);
        qCDebug(lcList) << "the list beside the program" << (copied ? "was copied to" : "could not be copied to")
                        << places.scripsPath;
    }
    if (!places.advertFolder.isEmpty())
        QDir().mkpath(places.advertFolder);
    qCDebug(lcList) << "the list lives in" << places.scripsPath;
}

} // namespace ListLocation
