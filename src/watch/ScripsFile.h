#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

// The watch list's file "Scrips.dat": one line per grid row in 8-bit text
// (Latin-1, so every byte reads and writes back unchanged), each ended by
// CR LF. On reading, CR LF, a lone CR or a lone LF ends a line (lists written
// by any editor load), a UTF-8 byte-order mark at the start is dropped, and a
// last line without an end is read too.
namespace ScripsFile {

// The most a list file may hold: more than any list the program keeps and
// the service answers, far less than would hurt to read.
constexpr qint64 kMaxFileBytes = qint64(8) * 1024 * 1024;

// Opens a path for reading and returns the descriptor, or -1 with errno set.
using OpenFile = std::function<int(const QByteArray &path)>;
int openForReading(const QByteArray &path);

struct Loaded
{
    QStringList scrips; // the lines that hold a scrip, in file order
    bool found = false; // false: no file yet, the normal first run
    QString failure;    // why a file that is there could not be read whole; empty when it was
};

// Reads the list. Only a regular file is read, without blocking, and at
// most kMaxFileBytes of it.
Loaded load(const QString &path, const OpenFile &open = openForReading);
// The two steps of load: the file's bytes, with found and failure set, and
// then the scrips of bytes read whole.
Loaded readBytes(const QString &path, QByteArray &bytes, const OpenFile &open = openForReading);
void readScrips(const QByteArray &bytes, Loaded &loaded);

// Every line of the file, blank ones included, in file order.
QStringList lines(const QByteArray &bytes);

// A line that holds a scrip: anything but empty or all spaces.
bool holdsScrip(QStringView line);
bool holdsScrip(QByteArrayView line); // a line of the file, as its bytes

QByteArray serialize(const QStringList &rows);

// Replaces the file whole: a failed write, a full disk included, leaves the
// old file as it was. A link named like the list stays a link to it, and a
// file the user made read-only is left alone. Returns an empty text on
// success, else the reason.
QString save(const QString &path, const QStringList &rows);

// Removes what an interrupted save left beside the file.
void removeStaleTemporaries(const QString &path);

} // namespace ScripsFile
