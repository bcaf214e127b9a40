#include "watch/ListGuard.h"
#include "watch/ListLocation.h"
#include "watch/ProgramIcon.h"
#include "watch/ShutdownSignals.h"
#include "watch/frmTickerloom.h"
#include "web/FetchUrl.h"
#include "web/frmTip.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QPixmap>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tickerloom"));
    QGuiApplication::setDesktopFileName(QStringLiteral(TICKERLOOM_APP_ID));
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(ProgramIcon::image())));
    // A logout, kill or Ctrl+C closes the window as its close box does, and the lock and socket go.
    ShutdownSignals ending;

    // Beside the program wherever it was copied to; in the user's folders once installed.
    const ListLocation::Folders folders =
        ListLocation::ofThisProgram(QStringLiteral(TICKERLOOM_INSTALL_BINDIRS).split(u':'));
    const ListLocation::Places places = ListLocation::choose(folders);
    ListLocation::prepare(places, folders);

    // A second start on a list that a running copy holds shows that copy's window.
    ListGuard guard(places.scripsPath);
    if (!guard.acquire()) {
        if (!guard.askRunningCopyToShow())
            QMessageBox::information(nullptr, QStringLiteral("Tickerloom"),
                                     QObject::tr("Tickerloom is already running with the watch list \"%1\".")
                                         .arg(QDir::toNativeSeparators(places.scripsPath)));
        return 0;
    }

    QNetworkAccessManager network;
    network.setObjectName(QStringLiteral("Inet1"));
    const FetchSettings web{&network, frmData::kDefaultDeadlineMs, places.advertFolder};
    frmTickerloom window(places.scripsPath, [web](const QUrl &url) { return FetchUrlBytes(web, url); });
    QObject::connect(&ending, &ShutdownSignals::received, &window, &QWidget::close);
    // Before the start-up refresh: a second start while it waits brings the window to the front.
    QObject::connect(&guard, &ListGuard::showRequested, &window, &frmTickerloom::bringToFront);
    window.OnWindowLoad();
    int exitCode = 0;
    if (!window.isClosing()) { // asked to end while the list loaded or its first refresh waited
        window.show();
        exitCode = app.exec();
    }
    frmTip::deleteAll();
    return exitCode;
}
