#include "web/frmTip.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

frmTip::frmTip(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmTip"));
    setWindowTitle(QStringLiteral("Tip of the Day"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    setModal(false);
    setFixedSize(374, 411);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->move(10, 10);
    Image1->resize(350, 350);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setCursor(Qt::PointingHandCursor); // only over the picture
    Image1->setFocusPolicy(Qt::NoFocus);
    Image1->installEventFilter(this);

    cmdOK = new QPushButton(QStringLiteral("&Close"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(145, 372, 81, 27);
    cmdOK->setDefault(true); // Enter presses it; Esc closes through reject()
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::close);
    connect(this, &QDialog::rejected, this, &QDialog::close);
    cmdOK->setFocus();
}

void frmTip::setPicture(const QImage &picture)
{
    Image1->setPixmap(QPixmap::fromImage(picture));
    Image1->resize(picture.size()); // at its own size, not stretched
}

void frmTip::deleteAll()
{
    for (QWidget *window : QApplication::topLevelWidgets())
        if (qobject_cast<frmTip *>(window))
            delete window;
}

QUrl frmTip::linkAddress(const QString &link)
{
    QUrl address(QStringLiteral("http://www.") + link, QUrl::StrictMode);
    // The advertiser's own site: no user part that would move the host elsewhere.
    if (!address.isValid() || address.scheme() != u"http" || !address.userInfo().isEmpty() ||
        !address.host().startsWith(u"www."))
        return QUrl();
    return address;
}

void frmTip::openLink()
{
    const QUrl address = linkAddress(StrLink);
    if (address.isValid())
        QDesktopServices::openUrl(address);
    close(); // whether or not a browser opened
}

bool frmTip::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Image1 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        openLink();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmTip::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->geometry();
        move(available.center() - rect().center());
    }
}
