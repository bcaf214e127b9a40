#include "service/ServiceOptions.h"

#include "service/ServiceConfig.h"

#include <QRandomGenerator>
#include <QUrl>

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
    , m_source(QStringLiteral("source"),
               QStringLiteral("Where quotes come from: simulated (the default), or alpaca, the Alpaca market-data "
                              "provider with your own key (see README.md)."),
               QStringLiteral("name"))
    , m_feed(QStringLiteral("feed"), QStringLiteral("The provider's feed: iex (the free plan, the default) or sip."),
             QStringLiteral("feed"))
    , m_providerUrl(QStringLiteral("provider-url"),
                    QStringLiteral("Ask the provider's market data at <url> instead of https://data.alpaca.markets."),
                    QStringLiteral("url"))
    , m_assetsUrl(QStringLiteral("assets-url"),
                  QStringLiteral("Fetch the provider's list of symbols from <url> instead of "
                                 "https://paper-api.alpaca.markets."),
                  QStringLiteral("url"))
    , m_config(QStringLiteral("config"),
               QStringLiteral("Read the source, the feed and the key from <file> (default %1).")
                   .arg(ServiceConfig::defaultPath()),
               QStringLiteral("file"))
    , m_check(QStringLiteral("check"),
              QStringLiteral("Ask the provider once, print whether the key works, the feed and the rate budget, and "
                             "stop; the exit status is non-zero when the key is refused or the provider cannot be "
                             "reached."))
{
    m_parser.setApplicationDescription(
        QStringLiteral("Tickerloom quote service: answers GET /quote on 127.0.0.1 from a simulated market, or from "
                       "a market-data provider with your own key."));
    m_parser.addHelpOption();
    m_parser.addVersionOption();
    m_parser.addOptions({m_port, m_seed, m_synthetic, m_adEvery, m_adLink, m_idleStop, m_source, m_feed, m_providerUrl,
                         m_assetsUrl, m_config, m_check});
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
    return readProvider();
}

bool ServiceOptions::readProvider()
{
    if (m_parser.isSet(m_source))
        m_settings.source = m_parser.value(m_source).toLower();
    if (m_settings.source != QLatin1String("simulated") && m_settings.source != QLatin1String("alpaca")) {
        m_error = QStringLiteral("--source must be simulated or alpaca, not \"%1\"").arg(m_settings.source);
        return false;
    }
    if (m_parser.isSet(m_feed))
        m_settings.provider.feed = m_parser.value(m_feed).toLower();
    if (m_settings.provider.feed != QLatin1String("iex") && m_settings.provider.feed != QLatin1String("sip")) {
        m_error = QStringLiteral("--feed must be iex or sip, not \"%1\"").arg(m_settings.provider.feed);
        return false;
    }
    m_settings.configPath = m_parser.isSet(m_config) ? m_parser.value(m_config) : ServiceConfig::defaultPath();
    m_settings.check = m_parser.isSet(m_check);
    return readAddress(m_providerUrl, &m_settings.provider.quotesBase) &&
           readAddress(m_assetsUrl, &m_settings.provider.assetsBase);
}

bool ServiceOptions::readAddress(const QCommandLineOption &option, QString *address)
{
    if (!m_parser.isSet(option))
        return true;
    const QUrl url(m_parser.value(option), QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http")) ||
        url.host().isEmpty() || url.hasQuery()) {
        m_error = QStringLiteral("--%1 needs an http or https address without a query, not \"%2\"")
                      .arg(option.names().constFirst(), m_parser.value(option));
        return false;
    }
    *address = url.toString(QUrl::StripTrailingSlash);
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
