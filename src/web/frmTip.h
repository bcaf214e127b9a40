#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The advertisement window "Tip of the Day": borderless, centred, without a
// taskbar entry, showing the picture at its own size. A click on the picture
// opens the advertiser's address and closes the window; "Close", Enter and
// Esc close it. Several may be open at once; each closes on its own.
class frmTip : public QDialog
{
    Q_OBJECT

public:
    explicit frmTip(QWidget *parent = nullptr);

    // The advertiser's address without "http://www.".
    QString StrLink;

    void setPicture(const QImage &picture);

    // Deletes the advertisement windows still open: they have no owner, so the
    // program deletes them itself when it ends.
    static void deleteAll();

    // "http://www." + link when that is a valid http address, else empty.
    static QUrl linkAddress(const QString &link);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void openLink();

    QLabel *Image1;
    QPushButton *cmdOK;
};
