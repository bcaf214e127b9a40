#pragma once

#include "watch/ListLock.h"

#include <QObject>
#include <QString>
#include <QTimer>

class QLocalServer;

// One running program per list file: two copies that each rewrite the whole
// file from their own memory would undo each other's changes. The copy that
// holds the list listens on a local socket named after the list, in a folder
// only its user can enter, and holds a lock file beside the list. A second
// start asks on the socket first, so that a running copy is found even when
// its lock file was removed; only when none answers does it look at the
// lock, and a lock that no running program holds is taken over.
class ListGuard : public QObject
{
    Q_OBJECT

public:
    // How often the holder looks whether its lock file is still there.
    static constexpr int kKeepLockMs = 1000;

    explicit ListGuard(const QString &scripsPath, QObject *parent = nullptr);
    ~ListGuard() override;

    // True when this copy may open the list: no copy answers on the list's
    // socket, and it holds the lock now, or the lock cannot be made at all
    // (a folder it cannot write), which no other copy can hold either.
    bool acquire();
    // Asks the copy that holds the list to come to the front; false when
    // none answered within waitMs.
    bool askRunningCopyToShow(int waitMs = 3000) const;

    // The local socket that belongs to the list: a path in the user's own
    // runtime folder; empty when there is no such folder.
    static QString socketName(const QString &scripsPath);
    const QString &lockPath() const { return m_lock.path(); }

signals:
    // A second start asked for this copy's window.
    void showRequested();

private:
    bool runningCopyAnswers() const;
    void listen();

    QString m_scripsPath;
    QString m_socketName;
    ListLock m_lock;
    QTimer m_keepLock;
    QLocalServer *m_server = nullptr;
};
