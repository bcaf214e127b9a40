#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The watch list's file "Scrips.dat": one line per grid row in 8-bit text
// (Latin-1, so every byte reads and writes back unchanged), each ended by
// CR LF. On reading, CR LF or a lone CR ends a line, a lone LF stays inside
// it, and a last line without an end is read too.
namespace ScripsFile {

// Every line of the file, blank ones included, in file order.
QStringList lines(const QByteArray &bytes);

// A line that holds a scrip: anything but empty or all spaces.
bool holdsScrip(const QString &line);

QByteArray serialize(const QStringList &rows);

// Replaces the file whole: a failed write, a full disk included, leaves the
// old file as it was. A link named like the list stays a link to it.
// Returns an empty text on success, else the reason.
QString save(const QString &path, const QStringList &rows);

// Removes what an interrupted save left beside the file.
void removeStaleTemporaries(const QString &path);

} // namespace ScripsFile
