#pragma once

#include "watch/WatchList.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <span>

class GridModel;
class ListFileWatch;
class ListPreread;
class SwitchTimer;

// Keeps the watch list and everything read from it: the grid's SYMBOL
// column with its spare row below the last scrip, the file, and the refresh
// timer. It loads the list, adds and deletes scrips, saves after each
// change, and decides when a refresh may run. When the file changes on disk
// by another hand (an editor, a sync tool), the list is read from it again.
//
// Every refresh waits in a nested event loop, so the user can add, delete or
// close meanwhile. At most one refresh runs at a time: the timer runs again
// only once none is running, and a delete chosen meanwhile waits for that
// moment, bound to the entry it was chosen on.
class WatchListKeeper : public QObject
{
    Q_OBJECT

public:
    // The refreshes the keeper starts; both may wait, handling events.
    struct Refreshes
    {
        std::function<void(const QString &watchList, bool FirstFetch)> allRows;
        std::function<void(int row, bool FirstFetch)> oneRow;
        // Told, before a long list read early is shown, of the watch list
        // its first refresh asks for: the request can be built meanwhile,
        // and a list whose symbols are known to differ once upper-cased
        // spares that refresh a check.
        std::function<void(const QString &watchList, bool distinct)> upcoming;
    };

    enum class Added { Nothing, AlreadyListed, ListFull, Added };

    static constexpr int kRefreshIntervalMs = 5000;

    WatchListKeeper(const QString &scripsPath, GridModel *grid, int symbolColumn, QObject *parent = nullptr);
    ~WatchListKeeper() override;

    void setRefreshes(Refreshes refreshes) { m_refreshes = std::move(refreshes); }
    // The file's reading started early, on another thread: load takes the list from it.
    void setEarlyRead(std::unique_ptr<ListPreread> read);

    const WatchList &list() const { return m_list; }
    const QString &scripsPath() const { return m_scripsPath; }
    SwitchTimer *timer() const { return m_timer; }
    bool isClosing() const { return m_closing; }

    // Start-up: the file into the list and the grid, the spare row, the
    // first refresh, and the timer when the list holds a scrip.
    void load();
    // Appends a picked scrip, saves the list and fetches the scrip's first quote.
    Added add(const QString &symbol);
    // Deletes the scrip of a grid row now, or once the running refresh ends.
    void chooseDelete(int row);
    void refreshTick();
    void close();

signals:
    // The loaded list stands in the grid with its spare row: the window may
    // take adds and deletes from now on, while the first refresh waits.
    void listed();
    // A list file that is there but cannot be read, and is not written while it cannot.
    void loadFailed(const QString &message);
    void saveFailed(const QString &message);

private:
    bool appendLoaded(const QStringList &scrips);
    void showAppended(std::span<const QString> symbols);
    void save();
    void resumeTimer();
    void deleteChosen();
    QStringList symbols() const;
    void catchUpWithFile();
    void fileChanged();
    void readFileAgain();
    void becameUnreadable(const QString &failure);
    void reloadFrom(const QStringList &scrips);
    void showList(const QStringList &wanted);

    QString m_scripsPath;
    GridModel *m_grid;
    int m_symbolColumn;
    SwitchTimer *m_timer;
    Refreshes m_refreshes;
    WatchList m_list;
    std::deque<quint64> m_pendingDeletes; // entries chosen, in the order chosen
    int m_refreshesRunning = 0;
    bool m_closing = false;
    bool m_watching = false;  // the file is watched once the list it held is shown
    QString m_unreadableFile; // why the file could not be read; then it is not replaced
    ListFileWatch *m_fileWatch;
    QStringList m_fileScrips; // the scrips the file held when last read or written
    std::unique_ptr<ListPreread> m_earlyRead;
};
