#include "service/PeerCredentials.h"

#include <QFile>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

namespace PeerCredentials {
namespace {

// An address and port as the tables print them: each 32-bit word of the
// address as the machine holds it, in hex, then the port, "0100007F:1F99".
QByteArray tableForm(const sockaddr_storage &address)
{
    QByteArray text;
    const auto word = [&text](const void *bytes) {
        quint32 value = 0;
        std::memcpy(&value, bytes, sizeof value);
        text += QByteArray::number(value, 16).rightJustified(8, '0').toUpper();
    };
    quint16 port = 0;
    if (address.ss_family == AF_INET) {
        const auto &v4 = reinterpret_cast<const sockaddr_in &>(address);
        word(&v4.sin_addr);
        port = ntohs(v4.sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto &v6 = reinterpret_cast<const sockaddr_in6 &>(address);
        for (int i = 0; i < 16; i += 4)
            word(v6.sin6_addr.s6_addr + i);
        port = ntohs(v6.sin6_port);
    } else {
        return {};
    }
    return text + ':' + QByteArray::number(port, 16).rightJustified(4, '0').toUpper();
}

// An IPv4 address the IPv6 socket saw as ::ffff:a.b.c.d, as the IPv4 table lists it.
QByteArray plainForm(const sockaddr_storage &address)
{
    if (address.ss_family != AF_INET6)
        return {};
    const auto &v6 = reinterpret_cast<const sockaddr_in6 &>(address);
    if (!IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr))
        return {};
    sockaddr_storage plain{};
    auto &v4 = reinterpret_cast<sockaddr_in &>(plain);
    v4.sin_family = AF_INET;
    v4.sin_port = v6.sin6_port;
    std::memcpy(&v4.sin_addr, v6.sin6_addr.s6_addr + 12, 4);
    return tableForm(plain);
}

// The uid column of the row whose local end is local and remote end remote.
qint64 findRow(const QString &table, const QByteArray &local, const QByteArray &remote)
{
    QFile file(table);
    if (local.isEmpty() || !file.open(QIODevice::ReadOnly))
        return -1;
    file.readLine(); // the heading
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().simplified().split(' ');
        // sl local_address rem_address st tx:rx tr:when retrnsmt uid ...
        if (fields.size() > 7 && fields[1] == local && fields[2] == remote) {
            bool ok = false;
            const qint64 uid = fields[7].toLongLong(&ok);
            return ok ? uid : -1;
        }
    }
    return -1;
}

} // namespace

QStringList defaultTables()
{
    return {QStringLiteral("/proc/net/tcp"), QStringLiteral("/proc/net/tcp6")};
}

qint64 peerUid(qintptr descriptor, const QStringList &tables)
{
    sockaddr_storage ours{}, theirs{};
    socklen_t oursSize = sizeof ours, theirsSize = sizeof theirs;
    if (::getsockname(int(descriptor), reinterpret_cast<sockaddr *>(&ours), &oursSize) != 0 ||
        ::getpeername(int(descriptor), reinterpret_cast<sockaddr *>(&theirs), &theirsSize) != 0)
        return -1;
    // The peer's end: its address is local to it, and ours is remote.
    const QByteArray forms[][2] = {{tableForm(theirs), tableForm(ours)}, {plainForm(theirs), plainForm(ours)}};
    for (const QString &table : tables) {
        for (const auto &[local, remote] : forms) {
            if (const qint64 uid = findRow(table, local, remote); uid >= 0)
                return uid;
        }
    }
    return -1;
}

} // namespace PeerCredentials
