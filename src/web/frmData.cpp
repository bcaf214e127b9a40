#include "web/frmData.h"

#include "watch/FileSwap.h"
#include "web/NetworkClient.h"
#include "web/WebLog.h"

#include <QByteArrayList>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>
#include <memory>

namespace {

int g_deadlineMs = frmData::kDefaultDeadlineMs;

const QString kAdvertFile = QStringLiteral("ad.jpg");

// Qt reports HTTP error statuses as errors too; those replies still count as
// answers (the reading decides what they give), and only a failure of the
// transfer itself gives nothing.
bool isTransferFailure(QNetworkReply::NetworkError error, bool hasStatus)
{
    if (error == QNetworkReply::NoError)
        return false;
    const bool httpStatusError =
        (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError) ||
        (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
    return !(hasStatus && httpStatusError);
}

struct DisconnectAndDeleteLater
{
    void operator()(QObject *object) const
    {
        object->disconnect(); // nothing may reach the waits that are gone
        object->deleteLater();
    }
};

} // namespace

frmData::frmData(QObject *parent)
    : QObject(parent)
    , Inet1(NetworkClient::manager())
{
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
    for (int adverts = 0;; ++adverts) {
        const HttpOutcome::Outcome outcome = HttpOutcome::interpret(transfer(url));
        if (outcome.kind != HttpOutcome::Kind::Advert)
            return outcome.text;
        // A service that answers only with advertisements must not keep us here.
        if (adverts == kMaxAdvertsInARow) {
            qCDebug(lcWeb) << "advertisement number" << adverts + 1 << "in a row: giving up on" << url;
            return QString();
        }
        showAdvert(outcome);
    }
}

HttpResponse frmData::transfer(const QString &url)
{
    HttpResponse response;
    const std::unique_ptr<QNetworkReply, DisconnectAndDeleteLater> reply(
        Inet1->get(NetworkClient::request(QUrl(url), g_deadlineMs)));
    QNetworkReply *const raw = reply.get();
    // Qt's network thread holds at most this much unread: the cap below then
    // bounds what an endless body can cost.
    raw->setReadBufferSize(kReadBufferBytes);
    bool abandoned = false;
    const auto abandon = [&abandoned, raw](const char *why) {
        if (!abandoned)
            qCDebug(lcWeb) << "transfer abandoned:" << why << raw->url().toDisplayString();
        abandoned = true;
        raw->abort();
    };
    // Kept in pieces while it arrives: a growing array may reserve twice what
    // it holds, so an endless body would cost twice the cap before it is cut.
    QByteArrayList pieces;
    qint64 received = 0;
    const auto gather = [&] {
        pieces.append(raw->readAll());
        received += pieces.constLast().size();
        if (received > kMaxBodyBytes)
            abandon("the body passed the cap");
    };

    // The deadline counts from the start: a body that trickles in never trips
    // the inactivity time-out alone.
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, raw, [&] { abandon("deadline"); });
    QObject::connect(raw, &QNetworkReply::readyRead, raw, gather);
    QObject::connect(raw, &QNetworkReply::downloadProgress, raw, [&](qint64, qint64 total) {
        if (total > kMaxBodyBytes)
            abandon("the stated length passes the cap");
    });

    QEventLoop wait;
    QObject::connect(raw, &QNetworkReply::finished, &wait, &QEventLoop::quit);
    deadline.start(g_deadlineMs);
    if (!raw->isFinished())
        wait.exec();

    // The wait also returns when the program is ending; only a finished reply counts.
    if (!raw->isFinished()) {
        abandon("the program is ending");
        response.transferFailed = true;
        return response;
    }
    if (!abandoned)
        gather();
    const QVariant status = raw->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    response.transferFailed = abandoned || isTransferFailure(raw->error(), status.isValid());
    if (response.transferFailed) {
        qCDebug(lcWeb) << "transfer failed:" << raw->errorString();
        return response;
    }
    response.statusCode = status.toInt();
    response.reasonPhrase = raw->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
    response.headers = raw->rawHeaderPairs();
    response.body = pieces.size() == 1 ? pieces.takeFirst() : pieces.join();
    qCDebug(lcWeb) << "status" << response.statusCode << "with" << response.body.size() << "bytes from"
                   << raw->url().toDisplayString();
    return response;
}

// The picture is shown from the bytes received, so an "ad.jpg" that cannot be
// written costs neither the advertisement nor the data.
void frmData::showAdvert(const HttpOutcome::Outcome &advert)
{
    // Never written through a link of that name, which could point anywhere.
    FileSwap::removeLeftovers(kAdvertFile, FileSwap::Link::Replace);
    const QString failure = FileSwap::replace(kAdvertFile, advert.picture, FileSwap::Link::Replace);
    if (!failure.isEmpty())
        qCDebug(lcWeb) << "advertisement not saved as" << kAdvertFile << ":" << failure;
    if (m_advertHandler)
        m_advertHandler(advert.picture, advert.link);
}
