#include "web/frmData.h"

#include "watch/FileSwap.h"
#include "web/NetworkClient.h"
#include "web/WebLog.h"

#include <QByteArrayList>
#include <QDir>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>
#include <memory>

namespace {

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

// A reply's body as it arrives. With a stated length it goes straight into
// one buffer reserved once, so that a quote reply of megabytes is copied once
// and never held twice. Without one it is kept in the pieces it came in: a
// growing array may reserve twice what it holds, so an endless body would
// cost twice the cap before it is cut.
class BodyBuffer
{
public:
    // Takes what the reply holds unread; false once the body passes the cap.
    bool take(QNetworkReply &reply)
    {
        const qint64 available = reply.bytesAvailable();
        if (m_size + available > frmData::kMaxBodyBytes)
            return false;
        if (available <= 0)
            return true;
        if (m_size == 0 && m_pieces.isEmpty())
            m_bytes.reserve(statedLength(reply));
        if (m_pieces.isEmpty() && m_size + available <= m_bytes.capacity()) {
            m_bytes.resize(m_size + available); // within the reserve: nothing moves
            m_size += qMax<qint64>(0, reply.read(m_bytes.data() + m_size, available));
            m_bytes.resize(m_size);
        } else {
            m_pieces.append(reply.readAll());
            m_size += m_pieces.constLast().size();
        }
        return true;
    }

    QByteArray release()
    {
        if (m_pieces.isEmpty())
            return std::move(m_bytes);
        if (!m_bytes.isEmpty())
            m_pieces.prepend(std::move(m_bytes));
        return m_pieces.size() == 1 ? m_pieces.takeFirst() : m_pieces.join();
    }

private:
    // The length the reply states, when it states one within the cap; else 0.
    static qint64 statedLength(const QNetworkReply &reply)
    {
        bool stated = false;
        const qint64 length = reply.header(QNetworkRequest::ContentLengthHeader).toLongLong(&stated);
        return stated && length > 0 && length <= frmData::kMaxBodyBytes ? length : 0;
    }

    QByteArray m_bytes;
    QByteArrayList m_pieces;
    qint64 m_size = 0;
};

// One transfer while it runs: it gathers the body as it comes, abandons the
// reply at the deadline or the cap, and reads what came once it ended.
class ReplyWatch
{
public:
    explicit ReplyWatch(QNetworkReply &reply)
        : m_reply(reply)
    {
        QObject::connect(&m_deadline, &QTimer::timeout, &reply, [this] { abandon("deadline"); });
        QObject::connect(&reply, &QNetworkReply::readyRead, &reply, [this] { gather(); });
        QObject::connect(&reply, &QNetworkReply::downloadProgress, &reply, [this](qint64, qint64 total) {
            if (total > frmData::kMaxBodyBytes)
                abandon("the stated length passes the cap");
        });
    }

    // Waits, handling events, until the reply ends, is abandoned, or the
    // program ends. The deadline counts from the start: a body that trickles
    // in never trips the inactivity time-out alone.
    void wait(int deadlineMs)
    {
        QEventLoop loop;
        QObject::connect(&m_reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        m_deadline.setSingleShot(true);
        m_deadline.start(deadlineMs);
        if (!m_reply.isFinished())
            loop.exec();
    }

    HttpResponse response()
    {
        HttpResponse response;
        // The wait also returns when the program is ending; only a finished reply counts.
        if (!m_reply.isFinished()) {
            abandon("the program is ending");
            response.transferFailed = true;
            return response;
        }
        if (!m_abandoned)
            gather();
        const QVariant status = m_reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
        response.transferFailed = m_abandoned || isTransferFailure(m_reply.error(), status.isValid());
        if (response.transferFailed) {
            qCDebug(lcWeb) << "transfer failed:" << m_reply.errorString();
            return response;
        }
        response.statusCode = status.toInt();
        response.reasonPhrase = m_reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
        response.headers = m_reply.rawHeaderPairs();
        response.body = m_body.release();
        qCDebug(lcWeb) << "status" << response.statusCode << "with" << response.body.size() << "bytes from"
                       << m_reply.url().toDisplayString();
        return response;
    }

private:
    void gather()
    {
        if (!m_body.take(m_reply))
            abandon("the body passed the cap");
    }

    void abandon(const char *why)
    {
        if (!m_abandoned)
            qCDebug(lcWeb) << "transfer abandoned:" << why << m_reply.url().toDisplayString();
        m_abandoned = true;
        m_reply.abort();
    }

    QNetworkReply &m_reply;
    QTimer m_deadline;
    BodyBuffer m_body;
    bool m_abandoned = false;
};

} // namespace

frmData::frmData(QNetworkAccessManager *network, int deadlineMs, const QString &advertFolder, QObject *parent)
    : QObject(parent)
    , Inet1(network)
    , m_deadlineMs(deadlineMs)
    , m_advertPath(QDir(advertFolder).filePath(kAdvertFile))
{
}

QByteArray frmData::GetBytes(const QUrl &url)
{
    return GetReply(url).body;
}

FetchedReply frmData::GetReply(const QUrl &url)
{
    for (int adverts = 0;; ++adverts) {
        HttpOutcome::Outcome outcome = HttpOutcome::interpret(transfer(url));
        if (outcome.kind != HttpOutcome::Kind::Advert) {
            FetchedReply reply(std::move(outcome.data));
            reply.answered = outcome.kind == HttpOutcome::Kind::Data;
            reply.headers = std::move(outcome.headers);
            return reply;
        }
        // A service that answers only with advertisements must not keep us here.
        if (adverts == kMaxAdvertsInARow) {
            qCDebug(lcWeb) << "advertisement number" << adverts + 1 << "in a row: giving up on" << url;
            return FetchedReply();
        }
        showAdvert(outcome);
    }
}

HttpResponse frmData::transfer(const QUrl &url)
{
    const std::unique_ptr<QNetworkReply, DisconnectAndDeleteLater> reply(
        Inet1->get(NetworkClient::request(url, m_deadlineMs)));
    // Qt's network thread holds at most this much unread: the cap then bounds
    // what an endless body can cost.
    reply->setReadBufferSize(kReadBufferBytes);
    ReplyWatch watch(*reply);
    watch.wait(m_deadlineMs);
    return watch.response();
}

// The picture is shown from the bytes received, so an "ad.jpg" that cannot be
// written costs neither the advertisement nor the data.
void frmData::showAdvert(const HttpOutcome::Outcome &advert)
{
    // Never written through a link of that name, which could point anywhere.
    FileSwap::removeLeftovers(m_advertPath, FileSwap::Link::Replace);
    const QString failure = FileSwap::replace(m_advertPath, advert.picture, FileSwap::Link::Replace);
    if (!failure.isEmpty())
        qCDebug(lcWeb) << "advertisement not saved as" << m_advertPath << ":" << failure;
    if (m_advertHandler)
        m_advertHandler(advert.picture, advert.link);
}
