#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;

// One running program per list file: two copies that each rewrite the whole
// file from their own memory would undo each other's changes. The first
// start holds a lock file beside the list and listens on a local socket
// named after the list; a second start finds the lock held, asks the running
// copy to come to the front, and ends. A lock left by a copy that crashed is
// taken over, since its process is gone.
class ListGuard : public QObject
{
    Q_OBJECT

public:
    explicit ListGuard(const QString &scripsPath, QObject *parent = nullptr);
    ~ListGuard() override;

    // True when this copy may open the list: it holds the lock now, or the
    // lock cannot be made at all (a folder it cannot write), which no running
    // copy can hold either.
    bool acquire();
    // Asks the copy that holds the list to come to the front; false when
    // none answered within waitMs.
    bool askRunningCopyToShow(int waitMs = 3000) const;

    // The name of the local socket that belongs to the list.
    static QString socketName(const QString &scripsPath);

signals:
    // A second start asked for this copy's window.
    void showRequested();

private:
    void listen();

    QString m_scripsPath;
    QLockFile m_lock;
    QLocalServer *m_server = nullptr;
};
