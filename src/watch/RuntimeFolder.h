#pragma once

#include <QByteArray>
#include <QString>

// The folder for the program's local sockets: one no other user can enter,
// so that no one else can stand in for a running copy. The user's runtime
// folder (XDG_RUNTIME_DIR) when it is theirs alone, else a folder of their
// own in the temporary folder, made so; empty when neither is safe.
namespace RuntimeFolder {

QString forSockets();
QString choose(const QByteArray &xdgRuntimeDir, const QString &temporaryFolder);

// A folder, not a link to one, owned by this user and closed to all others.
bool isPrivate(const QString &folder);

} // namespace RuntimeFolder
