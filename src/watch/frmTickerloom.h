#pragma once

#include "quotes/QuoteRefresher.h"
#include "watch/WatchList.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <deque>

class QLabel;
class QMenu;
class QAction;
class QPushButton;
class SpreadGrid;
class SwitchTimer;
class frmSearch;

// The main window: the quote grid, the "Add Scrip" button, the refresh timer
// and the right-click menu. It keeps the watch list in three forms in step:
// the grid's rows, the watch-list string, and the file "Scrips.dat".
//
// Every fetch waits in a nested event loop, so the user can add, delete or
// close while a refresh waits. At most one refresh runs at a time: the timer
// runs again only once none is running, and a delete chosen meanwhile waits
// for that moment, bound to the row it was chosen on.
class frmTickerloom : public QWidget
{
    Q_OBJECT

public:
    // scripsPath is the list's file; the program passes "Scrips.dat" beside itself.
    explicit frmTickerloom(const QString &scripsPath, QuoteRefresher::Fetch fetch = {}, QWidget *parent = nullptr);
    ~frmTickerloom() override;

    // Start-up, run before the window is first shown.
    void OnWindowLoad();
    void OnWindowResize();
    void OnRefreshTick();
    void OnWindowClose();
    void OnAddScrip();
    void OnDeleteScrip();
    void onGridRightClick(int col, int row, const QPoint &globalPos);

    // Adds a picked scrip: the duplicate check, the new row, its first fetch,
    // the save. Returns whether it was added.
    bool addScrip(const QString &sScrip);

    const QString &watchListText() const { return m_watchList.text(); }
    bool isClosing() const { return m_refresher->isClosing(); }
    SpreadGrid *quoteGrid() const { return fpSpread1; }
    QString scripsPath() const { return m_scripsPath; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void LoadScrips();
    void SaveScrips();
    bool appendLoadedScrips(const QStringList &lines);
    void RefreshQuotes(bool FirstFetch);
    void resumeTimer();
    void deleteChosenRows();
    void showMessage(QMessageBox::Icon icon, const QString &text);

    SwitchTimer *Timer1;
    QPushButton *Command1;
    SpreadGrid *fpSpread1;
    QLabel *Image2;
    QLabel *Image1;
    QMenu *mnuTickerloom;
    QAction *mnuDelete;
    QPointer<frmSearch> m_search;

    QString m_scripsPath;
    WatchList m_watchList;
    QuoteRefresher *m_refresher; // owns the Closing flag, read after every wait
    int m_refreshesRunning = 0;
    std::deque<quint64> m_pendingDeletes; // identities of the rows chosen, in the order chosen
};
