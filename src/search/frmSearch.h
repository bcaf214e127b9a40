#pragma once

#include "web/UrlFetch.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class SpreadGrid;

// The "Search Scrip" dialog: the user types at least three letters, asks the
// service for matching scrips, and picks one. The picked code is left in
// sScrip ("" when nothing was picked) for the window that opened it.
// Searches may overlap while their fetches wait: only the latest one's reply
// is shown.
class frmSearch : public QDialog
{
    Q_OBJECT

public:
    // fetch brings a URL's reply body, "" on any failure.
    frmSearch(QWidget *owner, UrlFetch fetch);

    QString sScrip;

    void applySearchEnableRule();
    void runSearch();
    void runAdd();
    void runClose();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void createControls();
    void OnDialogLoad();
    void showResults(const QString &reply);

    QLabel *Label1;
    QLineEdit *Text1;
    QPushButton *Command1;
    SpreadGrid *fpSpread1;
    QPushButton *OKButton;
    QPushButton *CancelButton;
    // Taken by every search and moved on when the dialog is shown or hidden:
    // a reply whose search is no longer the latest finds it changed and is dropped.
    int m_searchSerial = 0;
    UrlFetch m_fetch;
};
