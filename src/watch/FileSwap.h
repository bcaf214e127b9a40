#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file whole: the bytes go to a new file beside it, written
// unbuffered and synced, which is then renamed over the old one. A failed
// write, a full disk included, leaves the old file as it was. The new file
// is named after the old one with ".tickerloom-" and six characters, so what
// an interrupted replacement left is known to be ours and can be removed.
namespace FileSwap {

enum class Link {
    Follow,  // a link of that name stays, and the file it points to is replaced
    Replace, // the name itself is replaced, whatever it points to
};

// Empty on success, else the reason. A file that was there keeps its permissions.
QString replace(const QString &path, const QByteArray &bytes, Link link);

// Removes the new files that interrupted replacements of path left behind.
void removeLeftovers(const QString &path, Link link);

} // namespace FileSwap
