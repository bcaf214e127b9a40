#include "watch/ProgramIcon.h"
#include "watch/frmTickerloom.h"
#include "web/frmTip.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QPixmap>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tickerloom"));
    QGuiApplication::setDesktopFileName(QStringLiteral(TICKERLOOM_APP_ID));
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(ProgramIcon::image())));

    // The list lives beside the program, wherever it was copied to.
    frmTickerloom window(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Scrips.dat")));
    window.OnWindowLoad();
    window.show();
    const int exitCode = app.exec();
    frmTip::deleteAll();
    return exitCode;
}
