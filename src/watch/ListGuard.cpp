#include "watch/ListGuard.h"

#include "watch/ListLog.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace {

const QByteArray kShowRequest = "show\n";

// The same list reached by other names (a linked folder, "..") is the same
// list, and so is a linked list file and its target, which saves go through to.
QString canonicalList(const QString &scripsPath)
{
    const QFileInfo list(scripsPath);
    QString target = list.canonicalFilePath(); // empty while the file is not there yet
    if (!target.isEmpty())
        return target;
    const QString folder = QFileInfo(list.absolutePath()).canonicalFilePath();
    return QDir(folder.isEmpty() ? list.absolutePath() : folder).filePath(list.fileName());
}

} // namespace

ListGuard::ListGuard(const QString &scripsPath, QObject *parent)
    : QObject(parent)
    , m_scripsPath(scripsPath)
    , m_lock(canonicalList(scripsPath) + QStringLiteral(".lock"))
{
    m_lock.setStaleLockTime(0); // only a dead owner makes a lock stale, never its age
}

ListGuard::~ListGuard() = default;

QString ListGuard::socketName(const QString &scripsPath)
{
    const QByteArray hash =
        QCryptographicHash::hash(canonicalList(scripsPath).toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("tickerloom-") + QString::fromLatin1(hash);
}

bool ListGuard::acquire()
{
    QDir().mkpath(QFileInfo(m_lock.fileName()).absolutePath());
    if (!m_lock.tryLock(0)) {
        const bool held = m_lock.error() == QLockFile::LockFailedError;
        qCDebug(lcList) << "the list's lock" << m_lock.fileName() << (held ? "is held" : "cannot be made");
        return !held;
    }
    listen();
    return true;
}

void ListGuard::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(socketName(m_scripsPath)); // a crashed copy's socket; the lock is ours now
    if (!m_server->listen(socketName(m_scripsPath))) {
        qCDebug(lcList) << "no socket for second starts:" << m_server->errorString();
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *caller = m_server->nextPendingConnection()) {
            connect(caller, &QLocalSocket::disconnected, caller, &QObject::deleteLater);
            connect(caller, &QLocalSocket::readyRead, this, [this, caller] {
                if (caller->readAll().contains(kShowRequest))
                    emit showRequested();
                caller->disconnectFromServer();
            });
        }
    });
}

bool ListGuard::askRunningCopyToShow(int waitMs) const
{
    // The running copy may still be starting, its socket not yet open.
    const QDeadlineTimer deadline(waitMs);
    do {
        QLocalSocket socket;
        socket.connectToServer(socketName(m_scripsPath));
        if (socket.waitForConnected(int(qMax<qint64>(deadline.remainingTime(), 0)))) {
            socket.write(kShowRequest);
            return socket.waitForBytesWritten(int(qMax<qint64>(deadline.remainingTime(), 0)));
        }
        QThread::msleep(50);
    } while (!deadline.hasExpired());
    return false;
}
