#include "watch/ListLocation.h"
#include "watch/ProgramIcon.h"
#include "watch/frmTickerloom.h"
#include "web/frmTip.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tickerloom"));
    QGuiApplication::setDesktopFileName(QStringLiteral(TICKERLOOM_APP_ID));
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(ProgramIcon::image())));

    // Beside the program wherever it was copied to; in the user's folders once installed.
    const ListLocation::Folders folders =
        ListLocation::ofThisProgram(QStringLiteral(TICKERLOOM_INSTALL_BINDIRS).split(u':'));
    const ListLocation::Places places = ListLocation::choose(folders);
    ListLocation::prepare(places, folders);

    frmTickerloom window(places.scripsPath);
    window.OnWindowLoad();
    window.show();
    const int exitCode = app.exec();
    frmTip::deleteAll();
    return exitCode;
}
