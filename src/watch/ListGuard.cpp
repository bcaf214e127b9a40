#include "watch/ListGuard.h"

#include "watch/ListLog.h"
#include "watch/RuntimeFolder.h"

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
// The list's folder is made first, as the lock beside the list needs it, so
// that a first start names the list as every later start does.
QString canonicalList(const QString &scripsPath)
{
    const QFileInfo list(scripsPath);
    QDir().mkpath(list.absolutePath());
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
    , m_socketName(socketName(scripsPath))
    , m_lock(canonicalList(scripsPath) + QStringLiteral(".lock"))
{
    m_keepLock.setInterval(kKeepLockMs);
    connect(&m_keepLock, &QTimer::timeout, this, [this] { m_lock.keep(); });
}

// The socket goes with the server; the lock is removed when it is still ours.
ListGuard::~ListGuard() = default;

QString ListGuard::socketName(const QString &scripsPath)
{
    const QString folder = RuntimeFolder::forSockets();
    if (folder.isEmpty())
        return QString();
    const QByteArray hash =
        QCryptographicHash::hash(canonicalList(scripsPath).toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QDir(folder).filePath(QStringLiteral("tickerloom-") + QString::fromLatin1(hash));
}

bool ListGuard::acquire()
{
    if (runningCopyAnswers()) {
        qCDebug(lcList) << "a running copy answers on" << m_socketName;
        return false;
    }
    const ListLock::Taken taken = m_lock.take();
    if (taken == ListLock::Taken::HeldByAnother) {
        qCDebug(lcList) << "the list's lock" << m_lock.path() << "is held";
        return false;
    }
    if (taken == ListLock::Taken::CannotBeMade)
        qCDebug(lcList) << "the list's lock" << m_lock.path() << "cannot be made";
    else
        m_keepLock.start();
    listen();
    return true;
}

bool ListGuard::runningCopyAnswers() const
{
    if (m_socketName.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(m_socketName);
    return socket.waitForConnected(1000);
}

void ListGuard::listen()
{
    if (m_socketName.isEmpty())
        return;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(m_socketName); // a crashed copy's socket; no copy answered on it
    if (!m_server->listen(m_socketName)) {
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
    if (m_socketName.isEmpty())
        return false;
    // The running copy may still be starting, its socket not yet open.
    const QDeadlineTimer deadline(waitMs);
    do {
        QLocalSocket socket;
        socket.connectToServer(m_socketName);
        if (socket.waitForConnected(int(qMax<qint64>(deadline.remainingTime(), 0)))) {
            socket.write(kShowRequest);
            return socket.waitForBytesWritten(int(qMax<qint64>(deadline.remainingTime(), 0)));
        }
        QThread::msleep(50);
    } while (!deadline.hasExpired());
    return false;
}
