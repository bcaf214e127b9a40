#include "service/ProviderAssets.h"

#include "service/ProviderLog.h"
#include "service/ReplyBuilder.h"
#include "service/SnapshotReader.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QSaveFile>
#include <QUrlQuery>

#include <algorithm>

namespace {

const QString kAssetsPath = QStringLiteral("/v2/assets");
const QString kKeptName = QStringLiteral("assets.json");

QString cleanName(const QString &name)
{
    QString clean;
    for (QChar c : name) {
        if (c != u',' && c.unicode() >= 0x20)
            clean += c;
    }
    return clean.simplified();
}

} // namespace

ProviderAssets::ProviderAssets(const ProviderSettings &settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_catalogue(std::make_shared<Catalogue>())
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ProviderAssets::fetch);
}

void ProviderAssets::start()
{
    loadKept();
    fetch();
}

QByteArray ProviderAssets::search(QStringView text) const
{
    std::shared_ptr<const Catalogue> catalogue;
    {
        const QMutexLocker locker(&m_mutex);
        catalogue = m_catalogue;
    }
    return ReplyBuilder::search(*catalogue, text);
}

int ProviderAssets::size() const
{
    const QMutexLocker locker(&m_mutex);
    return m_catalogue->size();
}

bool ProviderAssets::read(const QByteArray &json, Catalogue *catalogue, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isArray()) {
        *error = parseError.error != QJsonParseError::NoError ? parseError.errorString()
                                                              : QStringLiteral("not a JSON array of assets");
        return false;
    }
    std::vector<Scrip> scrips;
    for (const auto &value : document.array()) {
        const QJsonObject asset = value.toObject();
        Scrip scrip{asset.value(QLatin1StringView("symbol")).toString().toUpper(),
                    cleanName(asset.value(QLatin1StringView("name")).toString()), 0};
        if (SnapshotReader::isUsableSymbol(scrip.code) && !scrip.name.isEmpty())
            scrips.push_back(std::move(scrip));
    }
    std::stable_sort(scrips.begin(), scrips.end(), [](const Scrip &a, const Scrip &b) { return a.code < b.code; });
    Catalogue read;
    QString ignored;
    for (Scrip &scrip : scrips)
        read.add(std::move(scrip), &ignored); // a symbol listed twice keeps its first name
    *catalogue = std::move(read);
    return true;
}

QString ProviderAssets::keptPath() const
{
    return QDir(m_settings.cacheFolder).filePath(kKeptName);
}

void ProviderAssets::loadKept()
{
    QFile file(keptPath());
    if (m_settings.cacheFolder.isEmpty() || !file.open(QIODevice::ReadOnly))
        return;
    Catalogue catalogue;
    QString error;
    if (file.size() <= kMaxListBytes && read(file.readAll(), &catalogue, &error))
        use(std::move(catalogue));
    else
        qCInfo(lcProvider).noquote() << "The kept asset list" << file.fileName() << "was not read:" << error;
}

void ProviderAssets::fetch()
{
    QUrl url(m_settings.assetsBase + kAssetsPath);
    url.setQuery(QStringLiteral("status=active&asset_class=us_equity"));
    QNetworkRequest request(url);
    request.setRawHeader("APCA-API-KEY-ID", m_settings.keyId);
    request.setRawHeader("APCA-API-SECRET-KEY", m_settings.secretKey);
    request.setTransferTimeout(m_settings.timeoutMs);
    QNetworkReply *reply = m_network.get(request);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kMaxListBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finish(reply); });
}

void ProviderAssets::finish(QNetworkReply *reply)
{
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    Catalogue catalogue;
    QString error = QStringLiteral("HTTP %1").arg(status);
    if (status == 200 && reply->error() == QNetworkReply::NoError) {
        const QByteArray json = reply->readAll();
        if (read(json, &catalogue, &error)) {
            qCDebug(lcProvider) << "asset list fetched:" << catalogue.size() << "symbols";
            use(std::move(catalogue));
            keep(json);
            m_timer.start(int(std::min<qint64>(m_settings.assetsRefreshMs, INT_MAX)));
            return;
        }
    }
    qCDebug(lcProvider).noquote() << "the asset list was not fetched:" << error << "; the search uses the kept list";
    m_timer.start(int(std::min<qint64>(m_settings.assetsRetryMs, INT_MAX)));
}

void ProviderAssets::keep(const QByteArray &json) const
{
    if (m_settings.cacheFolder.isEmpty() || !QDir().mkpath(m_settings.cacheFolder))
        return;
    QSaveFile file(keptPath());
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit())
        qCDebug(lcProvider) << "the asset list could not be kept in" << keptPath();
}

void ProviderAssets::use(Catalogue catalogue)
{
    auto shared = std::make_shared<const Catalogue>(std::move(catalogue));
    const QMutexLocker locker(&m_mutex);
    m_catalogue = std::move(shared);
}
