#pragma once

#include <QStringList>
#include <QtGlobal>

// Who is at the other end of a TCP connection on this machine. A Unix socket
// would tell directly; a loopback TCP connection is found in the kernel's
// socket tables, where the peer's own end of it lists its owner's uid.
namespace PeerCredentials {

// The kernel's tables of IPv4 and IPv6 TCP sockets.
QStringList defaultTables();

// The uid owning the other end of the connected socket descriptor, or -1 when
// no table lists it (the peer is on another machine, or already gone).
qint64 peerUid(qintptr descriptor, const QStringList &tables = defaultTables());

} // namespace PeerCredentials
