#include "watch/ScripsFile.h"

#include "watch/FileSwap.h"
#include "watch/WatchList.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ScripsFile {
namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ScripsFile", text);
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Closes the descriptor when it goes.
struct Descriptor
{
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Reads up to limit + 1 bytes, so that a longer file shows itself. The
// expected size is reserved at once: a list is read without a copy.
QString readAtMost(int fd, qint64 limit, qint64 expected, QByteArray &bytes)
{
    bytes.resize(0);
    bytes.reserve(qMin(expected, limit) + 1);
    char buffer[64 * 1024];
    while (bytes.size() <= limit) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return systemError(errno);
        if (got == 0)
            return QString();
        bytes.append(buffer, qsizetype(got));
    }
    return tr("it is larger than a watch list can be");
}

QString readRegularFile(int fd, QByteArray &bytes)
{
    struct stat status
    {
    };
    if (::fstat(fd, &status) != 0)
        return systemError(errno);
    if (!S_ISREG(status.st_mode))
        return tr("it is not a regular file");
    return readAtMost(fd, kMaxFileBytes, qint64(status.st_size), bytes);
}

QStringList scripsOf(const QByteArray &bytes)
{
    QStringList scrips = lines(bytes);
    scrips.removeIf([](const QString &line) { return !holdsScrip(line); });
    return scrips;
}

} // namespace

int openForReading(const QByteArray &path)
{
    return ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

Loaded load(const QString &path, const OpenFile &open)
{
    Loaded loaded;
    const Descriptor file{open(QFile::encodeName(path))};
    if (file.fd < 0) {
        loaded.found = errno != ENOENT && errno != ENOTDIR;
        if (loaded.found)
            loaded.failure = systemError(errno);
        return loaded;
    }
    loaded.found = true;
    QByteArray bytes;
    loaded.failure = readRegularFile(file.fd, bytes);
    if (!loaded.failure.isEmpty())
        return loaded;
    loaded.scrips = scripsOf(bytes);
    if (loaded.scrips.size() > WatchList::kMaxScrips) {
        loaded.failure = tr("it holds %L1 scrips, more than the %L2 a watch list holds")
                             .arg(loaded.scrips.size())
                             .arg(WatchList::kMaxScrips);
        loaded.scrips.clear();
    }
    return loaded;
}

QStringList lines(const QByteArray &bytes)
{
    QByteArrayView all(bytes);
    if (all.startsWith("\xEF\xBB\xBF"))
        all = all.sliced(3);
    QStringList result;
    result.reserve(all.count('\n') + all.count('\r') + 1); // at most one line per line end, and the last
    qsizetype start = 0;
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (all[i] != '\r' && all[i] != '\n')
            continue;
        result.append(QString::fromLatin1(all.sliced(start, i - start)));
        if (all[i] == '\r' && i + 1 < all.size() && all[i + 1] == '\n')
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
    const QFileInfo file(path);
    if (file.exists()) {
        // Never a device or a pipe, whatever a link named like the list points to.
        if (!file.isFile())
            return tr("it is not a regular file");
        // A list the user made read-only stays so, even for an administrator,
        // whom the system would let replace it.
        const auto writeBits = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
        if (!file.isWritable() || !(file.permissions() & writeBits))
            return tr("the file is read-only");
    }
    return FileSwap::replace(path, serialize(rows), FileSwap::Link::Follow);
}

void removeStaleTemporaries(const QString &path)
{
    FileSwap::removeLeftovers(path, FileSwap::Link::Follow);
}

} // namespace ScripsFile
