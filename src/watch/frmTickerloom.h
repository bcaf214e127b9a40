#pragma once

#include "quotes/QuoteRefresher.h"

#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class QLabel;
class StatusLine;
class QMenu;
class QAction;
class QPushButton;
class SpreadGrid;
class WatchListKeeper;
class frmSearch;

// The main window: the quote grid, the "Add Scrip" button, the line that
// says how current the prices are, and the right-click menu. It lays out the
// controls and wires their events to the watch list's keeper, which holds
// the list, its file and the refresh timer, and to the quote refresher.
class frmTickerloom : public QWidget
{
    Q_OBJECT

public:
    // scripsPath is the list's file; fetch brings a URL's reply body as its
    // bytes, none on any failure. The search reads the same fetch as text.
    frmTickerloom(const QString &scripsPath, QuoteRefresher::Fetch fetch, QWidget *parent = nullptr);
    ~frmTickerloom() override;

    // How long the start-up refresh may wait before the window shows, waiting.
    static constexpr int kShowWhileWaitingMs = 1000;

    // Start-up, run before the window is first shown: the window shows once
    // its list stands in the grid and the first refresh has waited
    // kShowWhileWaitingMs for the quote service.
    void OnWindowLoad();
    void OnWindowResize();
    void OnWindowClose();
    void OnAddScrip();
    void OnDeleteScrip();
    void onGridRightClick(int col, int row, const QPoint &globalPos);

    // Adds a picked scrip: the duplicate check, the new row, its first fetch,
    // the save. Returns whether it was added.
    bool addScrip(const QString &sScrip);
    // Brings the window to the front, as a second start of the program asks;
    // once its list is in the grid, when asked while the list is read.
    void bringToFront();

    const QString &watchListText() const;
    bool isClosing() const;
    SpreadGrid *quoteGrid() const { return fpSpread1; }
    QString scripsPath() const;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void createMenu();
    void wireQuoteGrid(QuoteRefresher::Fetch fetch);
    void onListed();
    void onDeleteKey(int row);
    void showMessage(QMessageBox::Icon icon, const QString &text);

    QPushButton *Command1;
    StatusLine *lblStatus;
    SpreadGrid *fpSpread1;
    QLabel *Image2;
    QLabel *Image1;
    QMenu *mnuTickerloom;
    QAction *mnuDelete;
    QPointer<frmSearch> m_search;
    QTimer *m_showWhileWaiting;
    enum class Start { Reading, Listed, Done } m_start = Start::Done;
    bool m_frontAsked = false; // while the list is read

    UrlFetch m_searchFetch;
    WatchListKeeper *m_keeper;
    QuoteRefresher *m_refresher;
};
