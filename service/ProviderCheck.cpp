#include "service/ProviderCheck.h"

#include "service/SnapshotReader.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTextStream>
#include <QUrl>

namespace ProviderCheck {
namespace {

void sayBudget(QNetworkReply *reply, QTextStream &out)
{
    const QByteArray limit = reply->rawHeader("X-RateLimit-Limit");
    const QByteArray remaining = reply->rawHeader("X-RateLimit-Remaining");
    if (limit.isEmpty()) {
        out << "Rate budget: not stated by the provider; the service keeps within 200 requests a minute.\n";
        return;
    }
    out << "Rate budget: " << limit << " requests a minute";
    if (!remaining.isEmpty())
        out << ", " << remaining << " left now";
    out << ".\n";
}

void sayFeed(const ProviderSettings &settings, QTextStream &out)
{
    out << "Feed: " << settings.feed.toUpper();
    if (settings.feed == QLatin1String("iex"))
        out << " (the free plan: one exchange's trades, quotes and volume)";
    out << ".\n";
}

} // namespace

int run(const ProviderSettings &settings, QTextStream &out)
{
    if (!settings.hasKey()) {
        out << "No key: set APCA_API_KEY_ID and APCA_API_SECRET_KEY, or write key_id and secret_key into the "
               "settings file (see README.md).\n";
        return 1;
    }
    QUrl url(settings.quotesBase + QStringLiteral("/v2/stocks/snapshots"));
    url.setQuery(QStringLiteral("symbols=%1&feed=%2").arg(QLatin1String(kProbeSymbol), settings.feed));
    QNetworkRequest request(url);
    request.setRawHeader("APCA-API-KEY-ID", settings.keyId);
    request.setRawHeader("APCA-API-SECRET-KEY", settings.secretKey);
    request.setTransferTimeout(settings.timeoutMs);
    QNetworkAccessManager network;
    QNetworkReply *reply = network.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    out << "Provider: " << url.host() << '\n';
    if (status == 0) {
        out << "The provider cannot be reached: " << reply->errorString() << '\n';
        return 1;
    }
    if (status == 401 || status == 403) {
        out << "The provider refused the key (HTTP " << status
            << "). Check the key pair on the provider's dashboard; a reset paper account needs a new key.\n";
        return 1;
    }
    if (status != 200) {
        out << "The provider answered HTTP " << status << "; the key was not checked.\n";
        sayBudget(reply, out);
        return 1;
    }
    const SnapshotReader::Result read = SnapshotReader::read(reply->read(SnapshotReader::kMaxReplyBytes + 1));
    out << "The provider accepted the key.\n";
    sayFeed(settings, out);
    sayBudget(reply, out);
    if (!read.error.isEmpty())
        out << "But its reply was not read: " << read.error << '\n';
    else
        out << kProbeSymbol << ": " << (read.quotes.empty() ? "no snapshot" : "a snapshot") << " came back.\n";
    return read.error.isEmpty() ? 0 : 1;
}

} // namespace ProviderCheck
