#include "watch/ScripsFile.h"

#include "watch/FileSwap.h"
#include "watch/WatchList.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

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

template <typename Char> bool anyButSpaces(const Char *units, qsizetype size)
{
    return std::any_of(units, units + size, [](Char c) { return c != Char(' '); });
}

// Hands every line of the bytes to take, as it stands in them: nothing is
// copied before a line is known to be wanted.
template <typename Take> void forEachLine(QByteArrayView all, Take &&take)
{
    if (all.startsWith("\xEF\xBB\xBF"))
        all = all.sliced(3);
    const char *at = all.data();
    const char *const end = at + all.size();
    while (at != end) {
        const char *const lineEnd = std::find_if(at, end, [](char c) { return c == '\r' || c == '\n'; });
        take(QByteArrayView(at, lineEnd - at));
        if (lineEnd == end)
            return;
        at = lineEnd + (*lineEnd == '\r' && lineEnd + 1 != end && lineEnd[1] == '\n' ? 2 : 1);
    }
}

// A scrip's line holds a character and a line end, all but the last: room
// for that many, found without a pass over the bytes. A list longer than a
// watch list holds is refused anyway, so it gets no more room than that.
qsizetype mostScrips(QByteArrayView bytes)
{
    return qMin(bytes.size() / 2 + 1, qsizetype(WatchList::kMaxScrips) + 1);
}

// Only the lines that hold a scrip become texts.
QStringList scripsOf(const QByteArray &bytes)
{
    QStringList scrips;
    scrips.reserve(mostScrips(bytes));
    forEachLine(bytes, [&scrips](QByteArrayView line) {
        if (holdsScrip(line))
            scrips.append(QString::fromLatin1(line));
    });
    return scrips;
}

} // namespace

int openForReading(const QByteArray &path)
{
    return ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

Loaded load(const QString &path, const OpenFile &open)
{
    QByteArray bytes;
    Loaded loaded = readBytes(path, bytes, open);
    if (loaded.found && loaded.failure.isEmpty())
        readScrips(bytes, loaded);
    return loaded;
}

Loaded readBytes(const QString &path, QByteArray &bytes, const OpenFile &open)
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
    loaded.failure = readRegularFile(file.fd, bytes);
    return loaded;
}

void readScrips(const QByteArray &bytes, Loaded &loaded)
{
    loaded.scrips = scripsOf(bytes);
    if (loaded.scrips.size() > WatchList::kMaxScrips) {
        loaded.failure = tr("it holds %L1 scrips, more than the %L2 a watch list holds")
                             .arg(loaded.scrips.size())
                             .arg(WatchList::kMaxScrips);
        loaded.scrips.clear();
    }
}

QStringList lines(const QByteArray &bytes)
{
    QStringList result;
    forEachLine(bytes, [&result](QByteArrayView line) { result.append(QString::fromLatin1(line)); });
    return result;
}

bool holdsScrip(QStringView line)
{
    return anyButSpaces(line.utf16(), line.size());
}

bool holdsScrip(QByteArrayView line)
{
    return anyButSpaces(line.data(), line.size());
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
