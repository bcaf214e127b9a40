// tickerloom-service: the demo quote service. See README.md beside this file.
#include "service/IdleStop.h"
#include "service/QuoteService.h"
#include "service/ServiceOptions.h"
#include "service/SignalWatcher.h"
#include "service/SocketActivation.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextStream>

#include <csignal>
#include <memory>

namespace {

QStringList argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// Only the advertisement's text needs a GUI application, for its fonts. A
// GUI application looks into the desktop session's runtime folder as it
// starts, and Qt warns where there is none (a service started by systemd
// without a login, a root shell): a plain application looks for nothing,
// and with the advertisement on, a private runtime folder stands in.
std::unique_ptr<QCoreApplication> makeApplication(int &argc, char *argv[], bool drawsPictures,
                                                  std::unique_ptr<QTemporaryDir> &runtimeFolder)
{
    if (!drawsPictures)
        return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        runtimeFolder = std::make_unique<QTemporaryDir>(); // made readable by its owner only
        if (runtimeFolder->isValid())
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeFolder->path()));
    }
    // The advertisement is drawn off-screen: the service never needs a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

// Listens on the socket systemd handed over, or else on the port asked for.
// Returns false after saying why it cannot.
bool startListening(QuoteService &service, const ServiceSettings &settings, bool *handedOver)
{
    const int handed = SocketActivation::takeListeningSocket();
    *handedOver = handed >= 0;
    if (*handedOver ? service.listenOn(handed) != 0 : service.listen(settings.port) != 0)
        return true;
    QTextStream(stderr) << "Cannot listen on "
                        << (*handedOver ? QStringLiteral("the socket handed over")
                                        : QStringLiteral("127.0.0.1:%1").arg(settings.port))
                        << ": " << service.errorString() << '\n';
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    ServiceOptions options;
    const bool understood = options.parse(argumentsOf(argc, argv));
    std::unique_ptr<QTemporaryDir> runtimeFolder;
    const auto app = makeApplication(argc, argv, options.settings().adEvery > 0, runtimeFolder);
    QCoreApplication::setApplicationName(QStringLiteral("tickerloom-service"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TICKERLOOM_VERSION));
    if (!understood) {
        QTextStream(stderr) << options.error() << "\nTry --help.\n";
        return 2;
    }
    options.answerHelpOrVersion();
    const ServiceSettings &settings = options.settings();
    // Installed before listening, so that an early Ctrl+C still ends the run cleanly.
    SignalWatcher watcher({SIGINT, SIGTERM});
    QObject::connect(&watcher, &SignalWatcher::signalled, app.get(), &QCoreApplication::quit);

    QuoteService service(settings);
    bool handedOver = false;
    if (!startListening(service, settings, &handedOver))
        return 1;
    // Started on its socket, the service is not needed while nobody asks:
    // systemd keeps the socket and starts it again on the next connection.
    std::unique_ptr<IdleStop> idleStop;
    if (handedOver) {
        idleStop = std::make_unique<IdleStop>(service.activity(), settings.idleStopMs);
        QObject::connect(idleStop.get(), &IdleStop::idle, app.get(), &QCoreApplication::quit);
    }
    QTextStream(stdout) << "Listening on " << service.baseAddress() << (handedOver ? ", the socket handed over" : "")
                        << " (seed " << settings.seed << ", " << service.catalogue().size() << " scrips)" << Qt::endl;
    return app->exec();
}
