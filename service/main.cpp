// tickerloom-service: the quote service. See README.md beside this file.
#include "service/AlpacaSource.h"
#include "service/IdleStop.h"
#include "service/ProviderCheck.h"
#include "service/QuoteService.h"
#include "service/ServiceConfig.h"
#include "service/ServiceOptions.h"
#include "service/SignalWatcher.h"
#include "service/SimulatedSource.h"
#include "service/SocketActivation.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QStandardPaths>
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

// The quote source the settings name; none, after saying why, when the provider has no key.
std::unique_ptr<QuoteSource> makeSource(const ServiceSettings &settings)
{
    if (settings.source != QLatin1String("alpaca"))
        return std::make_unique<SimulatedSource>(settings);
    if (!settings.provider.hasKey()) {
        QTextStream(stderr) << "The source alpaca needs your key: set APCA_API_KEY_ID and APCA_API_SECRET_KEY, or "
                               "write key_id and secret_key into "
                            << settings.configPath << " (see README.md).\n";
        return nullptr;
    }
    return std::make_unique<AlpacaSource>(settings.provider);
}

QString sourceNote(QuoteService &service, const ServiceSettings &settings)
{
    if (settings.source == QLatin1String("alpaca"))
        return QString::fromLatin1(service.source().name());
    return QStringLiteral("seed %1, %2 scrips").arg(settings.seed).arg(service.catalogue().size());
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
    QString configError;
    if (!ServiceConfig::apply(options.settings().configPath, options.sourceGiven(), options.feedGiven(),
                              &options.settings(), &configError)) {
        QTextStream(stderr) << configError << '\n';
        return 2;
    }
    options.settings().provider.cacheFolder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    const ServiceSettings &settings = options.settings();
    if (settings.check) {
        QTextStream out(stdout);
        return ProviderCheck::run(settings.provider, out);
    }
    // Installed before listening, so that an early Ctrl+C still ends the run cleanly.
    SignalWatcher watcher({SIGINT, SIGTERM});
    QObject::connect(&watcher, &SignalWatcher::signalled, app.get(), &QCoreApplication::quit);

    std::unique_ptr<QuoteSource> source = makeSource(settings);
    if (!source)
        return 2;
    QuoteService service(settings, std::move(source));
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
                        << " (" << sourceNote(service, settings) << ")" << Qt::endl;
    return app->exec();
}
