#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <unistd.h>

// Replaces a file whole: the bytes go to a new file beside it, written
// unbuffered and synced, which is then renamed over the old one. A failed
// write, a full disk included, leaves the old file as it was. The new file
// is named after the old one with ".tickerloom-" and six characters, so what
// an interrupted replacement left is known to be ours and can be removed.
//
// Not QSaveFile: it names its temporary file itself, so leftovers could not
// be told from the user's files, and it has no seam where a test makes the
// sync fail, as a full disk does (tests run as root, where chmod proves nothing).
namespace FileSwap {

enum class Link {
    Follow,  // a link of that name stays, and the file it points to is replaced
    Replace, // the name itself is replaced, whatever it points to
};

// Puts what was written to a descriptor on the disk, as fsync() does: 0 on
// success, else -1 with errno set.
using Sync = std::function<int(int descriptor)>;

// Empty on success, else the reason. A file that was there keeps its
// permissions. The new file goes through sync before it takes the name.
QString replace(const QString &path, const QByteArray &bytes, Link link, const Sync &sync = ::fsync);

// Removes the new files that interrupted replacements of path left behind.
void removeLeftovers(const QString &path, Link link);

} // namespace FileSwap
