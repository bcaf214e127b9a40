#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QFileSystemWatcher;

// Tells when the list file may have changed on disk: written in place by an
// editor, replaced by a save or a sync tool, removed, or made again. The
// notices of one change come in bursts, and an editor may still be writing
// at the first: they are gathered for a short while, and changed() follows
// only when the file's status (inode, size, times) differs from the last
// one seen. The program's own saves raise it too; whoever listens compares
// what the file holds.
class ListFileWatch : public QObject
{
    Q_OBJECT

public:
    static constexpr int kSettleMs = 200;

    explicit ListFileWatch(const QString &path, QObject *parent = nullptr);

    // Takes the file as it stands now as seen.
    void see();
    // True when the file's status differs from the last one seen; it is seen now.
    bool takeChange();
    // Watches every path that is there; again after a save made the folder.
    void arm();

signals:
    void changed();

private:
    struct Status
    {
        bool exists = false;
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        qint64 changedNs = 0;
        bool operator==(const Status &) const = default;
    };

    static Status statusOf(const QString &path);
    void settled();

    QString m_path;
    QFileSystemWatcher *m_watcher;
    QTimer m_settle;
    Status m_seen;
};
