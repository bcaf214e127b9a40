#pragma once

#include <QByteArray>
#include <QString>

// Writes an advertisement picture to its file ("ad.jpg"). The name itself is
// replaced: the bytes go to a new file beside it, which is then renamed over
// the name, so a symbolic link of that name is replaced rather than followed,
// and a failed write leaves the old file as it was.
namespace AdvertFile {

// Empty on success, else the reason.
QString replace(const QString &path, const QByteArray &bytes);

} // namespace AdvertFile
