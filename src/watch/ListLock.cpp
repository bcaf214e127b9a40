#include "watch/ListLock.h"

#include "watch/ListLog.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

// What QLockFile writes: the process id, the program's name and the host.
QByteArray contents()
{
    return QByteArray::number(QCoreApplication::applicationPid()) + '\n' +
           QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8() + '\n' +
           QSysInfo::machineHostName().toUtf8() + '\n';
}

// Where file locks are not kept (some network or user-space file systems),
// only the holder's own words can show it alive: a process of this host.
bool namesALiveProcessHere(int fd)
{
    char text[512];
    const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    if (got <= 0)
        return false;
    const QList<QByteArray> lines = QByteArray(text, got).split('\n');
    bool isNumber = false;
    const qint64 pid = lines.value(0).toLongLong(&isNumber);
    if (!isNumber || pid <= 0 || lines.value(2) != QSysInfo::machineHostName().toUtf8())
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

} // namespace

ListLock::ListLock(const QString &path)
    : m_path(path)
{
}

ListLock::~ListLock()
{
    release();
}

ListLock::Taken ListLock::take()
{
    m_wanted = m_fd >= 0 || create();
    if (m_wanted)
        return Taken::Yes;
    if (errno != EEXIST)
        return Taken::CannotBeMade;
    if (!holderIsGone())
        return Taken::HeldByAnother;
    qCDebug(lcList) << "the lock" << m_path << "names no running program: taken over";
    m_wanted = create();
    if (m_wanted)
        return Taken::Yes;
    return errno == EEXIST ? Taken::HeldByAnother : Taken::CannotBeMade; // another start was quicker
}

bool ListLock::create()
{
    const int fd = ::open(encoded(m_path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    struct stat status
    {
    };
    ::fstat(fd, &status);
    m_device = quint64(status.st_dev);
    m_inode = quint64(status.st_ino);
    // Another start that judged the new file before it was locked takes it
    // over and removes it: this start then finds it locked, or its name
    // leading elsewhere, and has lost. A file system without locks leaves
    // the file's words alone to speak for its holder.
    bool lost = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        lost = errno == EWOULDBLOCK;
        if (!lost)
            qCDebug(lcList) << "the lock" << m_path << "is a file only: its file system keeps no locks";
    }
    const QByteArray text = contents();
    const bool written = !lost && ::write(fd, text.constData(), size_t(text.size())) == text.size();
    const int writeError = errno;
    if (!written || !nameLeadsToOurs()) {
        if (!lost && nameLeadsToOurs())
            ::unlink(encoded(m_path).constData());
        ::close(fd);
        errno = written || lost ? EEXIST : writeError;
        return false;
    }
    m_fd = fd;
    return true;
}

// The file's holder keeps it locked while it runs; a lock nobody holds is
// removed, whatever it says.
bool ListLock::holderIsGone()
{
    const int fd = ::open(encoded(m_path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT; // gone meanwhile
    bool gone = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        gone = true;
    else if (errno != EWOULDBLOCK)
        gone = !namesALiveProcessHere(fd);
    struct stat held
    {
    }, named{};
    // Removed only while the name still leads to the file judged: another
    // start may have taken it over in between.
    if (gone && ::fstat(fd, &held) == 0 && ::stat(encoded(m_path).constData(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino)
        ::unlink(encoded(m_path).constData());
    ::close(fd);
    return gone;
}

bool ListLock::nameLeadsToOurs() const
{
    struct stat named
    {
    };
    return ::stat(encoded(m_path).constData(), &named) == 0 && quint64(named.st_dev) == m_device &&
           quint64(named.st_ino) == m_inode;
}

bool ListLock::keep()
{
    if (!m_wanted)
        return false;
    if (m_fd >= 0 && nameLeadsToOurs())
        return true;
    if (QFileInfo::exists(m_path) || !QFileInfo(QFileInfo(m_path).absolutePath()).isDir())
        return false; // another's file, or no folder until the next save makes it
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    const bool made = create();
    qCDebug(lcList) << "the lock" << m_path << (made ? "was gone and is made again" : "was gone and cannot be made");
    return made;
}

void ListLock::release()
{
    m_wanted = false;
    if (m_fd < 0)
        return;
    if (nameLeadsToOurs())
        ::unlink(encoded(m_path).constData());
    ::close(m_fd);
    m_fd = -1;
}
