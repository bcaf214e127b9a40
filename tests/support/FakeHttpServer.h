#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <functional>

#include <QTcpSocket>

// A scriptable HTTP server on 127.0.0.1 for tests: each request it receives
// is recorded whole, and answered by the next scripted reply, sent as exact
// bytes. A reply can trickle in pieces, stall, close the connection, go on
// without end, or be held until the test releases it, so that a test can act
// while the program waits.
class FakeHttpServer : public QObject
{
    Q_OBJECT

public:
    struct Reply
    {
        QByteArray bytes;       // the exact bytes to send
        bool closeAfter = true; // close the connection once sent
        int trickleMs = 0;      // send one byte every this many ms
        bool stall = false;     // read the request, never answer
        bool hold = false;      // answer only when releaseHeld() is called
        bool endless = false;   // after the bytes, 1 MiB chunks of a chunked body without end
    };

    explicit FakeHttpServer(QObject *parent = nullptr);
    ~FakeHttpServer() override;

    quint16 port() const { return m_server.serverPort(); }
    QString baseUrl(const QString &path = QStringLiteral("/quote")) const;

    void enqueue(const Reply &reply);
    void enqueue(const QByteArray &bytes) { enqueue(Reply{bytes}); }
    // Answers every request without a scripted reply.
    void setDefaultReply(std::function<QByteArray(const QByteArray &request)> makeReply);
    // Holds the replies to the requests that match, until releaseHeld().
    void holdWhen(std::function<bool(const QByteArray &request)> matches);
    int heldCount() const { return int(m_held.size()); }
    // Sends every held reply, in the order their requests came.
    void releaseHeld();

    const QList<QByteArray> &requests() const { return m_requests; }
    // The request line's target: "/quote?scr=...".
    QByteArray requestTarget(int index) const;
    QList<qint64> requestTimesMs() const { return m_requestTimesMs; }
    QList<qint64> replyEndTimesMs() const { return m_replyEndTimesMs; }

    static QByteArray ok(const QByteArray &body, const QByteArray &extraHeaders = {});
    static QByteArray status(int code, const QByteArray &reason, const QByteArray &body);

signals:
    void requestReceived(int index);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const QByteArray &request);
    void send(QTcpSocket *socket, const Reply &reply);
    void sendEndlessChunks(QTcpSocket *socket);

    struct Held
    {
        QPointer<QTcpSocket> socket;
        Reply reply;
    };

    QTcpServer m_server;
    QList<Reply> m_queue;
    std::function<QByteArray(const QByteArray &)> m_default;
    std::function<bool(const QByteArray &)> m_holdWhen;
    QList<Held> m_held;
    QList<QByteArray> m_requests;
    QList<qint64> m_requestTimesMs;
    QList<qint64> m_replyEndTimesMs;
    QHash<QTcpSocket *, QByteArray> m_pending;
};
