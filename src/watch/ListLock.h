#pragma once

#include <QString>
#include <QtGlobal>

// The lock file beside the list, "Scrips.dat.lock". Its holder keeps it open
// and locked (flock) for its whole run and writes its process id, program
// and host into it, as QLockFile does. The system lets the lock go when its
// holder ends, however it ends: a lock file that no process holds names no
// running program (a crash, a power cut, a folder copied from another host,
// an empty or garbled file) and is taken over.
class ListLock
{
public:
    enum class Taken { Yes, HeldByAnother, CannotBeMade };

    explicit ListLock(const QString &path);
    ~ListLock();
    ListLock(const ListLock &) = delete;
    ListLock &operator=(const ListLock &) = delete;

    Taken take();
    // Makes the lock again when its file is gone (tidied away, or its folder
    // removed and made again); false while it cannot be.
    bool keep();
    // Removes the file, when it is still this holder's.
    void release();

    bool isHeld() const { return m_fd >= 0; }
    const QString &path() const { return m_path; }

private:
    bool create();
    bool holderIsGone();
    bool nameLeadsToOurs() const;

    QString m_path;
    int m_fd = -1;
    bool m_wanted = false; // taken once, and not released: kept while this runs
    quint64 m_device = 0;
    quint64 m_inode = 0;
};
