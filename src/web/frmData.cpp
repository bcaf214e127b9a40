#include "web/frmData.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>
#include <exception>
#include <memory>

namespace {

int g_deadlineMs = frmData::kDefaultDeadlineMs;

const char kAdvertFile[] = "ad.jpg";

// Qt reports HTTP error statuses as errors too; those replies still count as
// answers, and only a failure of the transfer itself gives nothing.
bool isTransferFailure(QNetworkReply::NetworkError error, bool hasStatus)
{
    if (error == QNetworkReply::NoError)
        return false;
    const bool httpStatusError =
        (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError) ||
        (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
    return !(hasStatus && httpStatusError);
}

struct DeleteLater
{
    void operator()(QObject *object) const { object->deleteLater(); }
};

} // namespace

const QByteArray frmData::kContentType = "application/x-www-form-urlencoded";
const QByteArray frmData::kUserAgent =
    "Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 6.0; SLCC1; .NET CLR 2.0.50727; .NET CLR 3.0.04506)";

frmData::frmData(QObject *parent)
    : QObject(parent)
    , Inet1(new QNetworkAccessManager(this))
{
    Inet1->setObjectName(QStringLiteral("Inet1"));
}

void frmData::setDeadlineMs(int milliseconds)
{
    g_deadlineMs = milliseconds;
}
int frmData::deadlineMs()
{
    return g_deadlineMs;
}

QString frmData::GetData(const QString &url)
{
    try {
        for (int adverts = 0;; ++adverts) {
            const HttpOutcome::Outcome outcome = HttpOutcome::interpret(transfer(url));
            if (outcome.kind != HttpOutcome::Kind::Advert)
                return outcome.text;
            // A service that answers only with advertisements must not keep us here.
            if (adverts == kMaxAdvertsInARow || !showAdvert(outcome))
                return QString();
        }
    } catch (const std::exception &) {
        return QString();
    }
}

HttpResponse frmData::transfer(const QString &url)
{
    HttpResponse response;
    QNetworkRequest request{QUrl(url)};
    request.setRawHeader("Content-Type", kContentType);
    request.setRawHeader("User-Agent", kUserAgent);
    request.setTransferTimeout(g_deadlineMs);

    const std::unique_ptr<QNetworkReply, DeleteLater> reply(Inet1->get(request));
    QNetworkReply *const raw = reply.get();
    bool abandoned = false;
    const auto abandon = [&abandoned, raw] {
        abandoned = true;
        raw->abort();
    };

    // The deadline counts from the start: a body that trickles in never trips
    // the inactivity time-out alone.
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, raw, abandon);
    QObject::connect(raw, &QNetworkReply::downloadProgress, raw, [abandon](qint64 received, qint64 total) {
        if (received > kMaxBodyBytes || total > kMaxBodyBytes)
            abandon();
    });

    QEventLoop wait;
    QObject::connect(raw, &QNetworkReply::finished, &wait, &QEventLoop::quit);
    deadline.start(g_deadlineMs);
    if (!raw->isFinished())
        wait.exec();

    // The wait also returns when the program is ending; only a finished reply counts.
    if (!raw->isFinished()) {
        abandon();
        response.transferFailed = true;
        return response;
    }
    const QVariant status = raw->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    response.transferFailed = abandoned || isTransferFailure(raw->error(), status.isValid());
    if (response.transferFailed)
        return response;
    response.statusCode = status.toInt();
    response.reasonPhrase = raw->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
    response.headers = raw->rawHeaderPairs();
    response.body = raw->readAll();
    return response;
}

bool frmData::showAdvert(const HttpOutcome::Outcome &advert)
{
    QSaveFile file(QString::fromLatin1(kAdvertFile));
    if (!file.open(QIODevice::WriteOnly) || file.write(advert.picture) != advert.picture.size() || !file.commit())
        return false;
    if (!m_advertHandler)
        return true;
    return m_advertHandler(QString::fromLatin1(kAdvertFile), advert.link);
}
