#include "watch/ListFileWatch.h"

#include "watch/ListLog.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>

#include <sys/stat.h>

ListFileWatch::ListFileWatch(const QString &path, QObject *parent)
    : QObject(parent)
    , m_path(path)
    , m_watcher(new QFileSystemWatcher(this))
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    // Not restarted by later notices: a file that changes all the time is still looked at.
    const auto noticed = [this] {
        if (!m_settle.isActive())
            m_settle.start();
    };
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, noticed);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, noticed);
    connect(&m_settle, &QTimer::timeout, this, &ListFileWatch::settled);
}

void ListFileWatch::see()
{
    m_seen = statusOf(m_path);
}

bool ListFileWatch::takeChange()
{
    const Status now = statusOf(m_path);
    if (now == m_seen)
        return false;
    m_seen = now;
    return true;
}

// Follows a linked list to the file it leads to, which saves replace.
ListFileWatch::Status ListFileWatch::statusOf(const QString &path)
{
    struct stat status
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return {true,
            quint64(status.st_dev),
            quint64(status.st_ino),
            qint64(status.st_size),
            qint64(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec,
            qint64(status.st_ctim.tv_sec) * 1'000'000'000 + status.st_ctim.tv_nsec};
}

// A file replaced by a rename, or a folder removed, is no longer watched by
// the system: every path is watched again while it is there. The folders
// see files replaced by renames; the file sees writes in place.
void ListFileWatch::arm()
{
    const QFileInfo list(m_path);
    QStringList paths{m_path, list.absolutePath()};
    const QString target = list.canonicalFilePath();
    if (!target.isEmpty() && target != list.absoluteFilePath())
        paths << target << QFileInfo(target).absolutePath();
    for (const QString &path : paths) {
        const bool watched = m_watcher->files().contains(path) || m_watcher->directories().contains(path);
        if (!watched && QFileInfo::exists(path))
            m_watcher->addPath(path);
    }
}

void ListFileWatch::settled()
{
    arm();
    if (!takeChange())
        return;
    qCDebug(lcList) << "the list file" << m_path << "changed on disk";
    emit changed();
}
