#pragma once

#include "quotes/QuoteRefresher.h"
#include "watch/WatchList.h"

#include <QPointer>
#include <QWidget>
#include <memory>

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
    bool isClosing() const { return Closing; }
    SpreadGrid *quoteGrid() const { return fpSpread1; }
    QString scripsPath() const { return m_scripsPath; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void LoadScrips();
    void SaveScrips();
    void RefreshQuotes(bool FirstFetch);
    void onTimerEnabledChanged(bool enabled);
    void deleteActiveRow();

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
    std::unique_ptr<QuoteRefresher> m_refresher;
    bool Closing = false;
    int m_pendingDeletes = 0; // deletes chosen while the timer was off
};
