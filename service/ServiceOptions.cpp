#include "service/ServiceOptions.h"

#include <QRandomGenerator>

#include <limits>

namespace {

bool isHeaderText(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    }
    return true;
}

} // namespace

ServiceOptions::ServiceOptions()
    : m_port(QStringLiteral("port"),
             QStringLiteral("Listen on 127.0.0.1:<port> (default %1; 0 picks a free port).")
                 .arg(QuoteProtocol::kDefaultPort),
             QStringLiteral("port"))
    , m_seed(QStringLiteral("seed"),
             QStringLiteral("Seed of the simulated market; the same seed repeats the same prices "
                            "(default: a new one each run)."),
             QStringLiteral("n"))
    , m_synthetic(QStringLiteral("synthetic"),
                  QStringLiteral("Add <n> generated scrips SYN00001, SYN00002, ... for large lists."),
                  QStringLiteral("n"))
    , m_adEvery(QStringLiteral("ad-every"),
                QStringLiteral("Answer every <n>th request with the advertisement picture (default 0: never)."),
                QStringLiteral("n"))
    , m_adLink(QStringLiteral("ad-link"),
               QStringLiteral("Link text of the advertisement, without \"www.\" (default example.com)."),
               QStringLiteral("text"))
    , m_idleStop(QStringLiteral("stop-after-idle"),
                 QStringLiteral("When systemd hands over the listening socket, stop after <seconds> with nothing "
                                "asked (default 600); systemd starts the service again on the next request."),
                 QStringLiteral("seconds"))
{
    m_parser.setApplicationDescription(
        QStringLiteral("Tickerloom demo quote service: a simulated market answering GET /quote on 127.0.0.1."));
    m_parser.addHelpOption();
    m_parser.addVersionOption();
    m_parser.addOptions({m_port, m_seed, m_synthetic, m_adEvery, m_adLink, m_idleStop});
}

bool ServiceOptions::parse(const QStringList &arguments)
{
    if (!m_parser.parse(arguments)) {
        m_error = m_parser.errorText();
        return false;
    }
    // Answered before anything else is looked at, once there is an application.
    if (m_parser.isSet(QStringLiteral("help")) || m_parser.isSet(QStringLiteral("version")))
        return true;
    if (!m_parser.positionalArguments().isEmpty()) {
        m_error = QStringLiteral("Unexpected argument: %1").arg(m_parser.positionalArguments().constFirst());
        return false;
    }
    qint64 port = m_settings.port;
    qint64 seed = -1;
    qint64 synthetic = m_settings.synthetic;
    qint64 adEvery = m_settings.adEvery;
    qint64 idleStopSeconds = m_settings.idleStopMs / 1000;
    if (!readNumber(m_port, 0, 65535, &port) || !readNumber(m_seed, 0, std::numeric_limits<qint64>::max(), &seed) ||
        !readNumber(m_synthetic, 0, kMaxSynthetic, &synthetic) || !readNumber(m_adEvery, 0, 1'000'000, &adEvery) ||
        !readNumber(m_idleStop, 1, kMaxIdleStopSeconds, &idleStopSeconds))
        return false;
    m_settings.idleStopMs = idleStopSeconds * 1000;
    m_settings.port = quint16(port);
    m_settings.seed = seed >= 0 ? quint64(seed) : QRandomGenerator::global()->bounded(1'000'000'000);
    m_settings.synthetic = int(synthetic);
    m_settings.adEvery = int(adEvery);
    if (m_parser.isSet(m_adLink))
        m_settings.adLink = m_parser.value(m_adLink);
    if (!isHeaderText(m_settings.adLink)) {
        m_error = QStringLiteral("--ad-link must be printable ASCII: it goes into a reply header");
        return false;
    }
    return true;
}

void ServiceOptions::answerHelpOrVersion()
{
    if (m_parser.isSet(QStringLiteral("help")))
        m_parser.showHelp(0);
    if (m_parser.isSet(QStringLiteral("version")))
        m_parser.showVersion();
}

bool ServiceOptions::readNumber(const QCommandLineOption &option, qint64 low, qint64 high, qint64 *value)
{
    if (!m_parser.isSet(option))
        return true;
    bool ok = false;
    const qint64 number = m_parser.value(option).toLongLong(&ok);
    if (!ok || number < low || number > high) {
        m_error = QStringLiteral("--%1 needs a whole number from %2 to %3, not \"%4\"")
                      .arg(option.names().constFirst())
                      .arg(low)
                      .arg(high)
                      .arg(m_parser.value(option));
        return false;
    }
    *value = number;
    return true;
}
