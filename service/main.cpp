// tickerloom-service: the demo quote service. See README.md beside this file.
#include "service/QuoteService.h"
#include "service/ServiceOptions.h"
#include "service/SignalWatcher.h"

#include <QGuiApplication>
#include <QTextStream>

#include <csignal>

int main(int argc, char *argv[])
{
    // The advertisement's text needs a GUI application, but never a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("tickerloom-service"));
    QGuiApplication::setApplicationVersion(QStringLiteral(TICKERLOOM_VERSION));

    ServiceOptions options;
    if (!options.parse(QGuiApplication::arguments())) {
        QTextStream(stderr) << options.error() << "\nTry --help.\n";
        return 2;
    }
    // Installed before listening, so that an early Ctrl+C still ends the run cleanly.
    SignalWatcher watcher({SIGINT, SIGTERM});
    QObject::connect(&watcher, &SignalWatcher::signalled, &app, &QCoreApplication::quit);

    QuoteService service(options.settings());
    if (service.listen(options.settings().port) == 0) {
        QTextStream(stderr) << "Cannot listen on 127.0.0.1:" << options.settings().port << ": " << service.errorString()
                            << '\n';
        return 1;
    }
    QTextStream(stdout) << "Listening on " << service.baseAddress() << " (seed " << options.settings().seed << ", "
                        << service.catalogue().size() << " scrips)" << Qt::endl;
    return app.exec();
}
