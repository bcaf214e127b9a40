#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <functional>

class QTcpSocket;

// A scriptable HTTP server on 127.0.0.1 for tests: each request it receives
// is recorded whole, and answered by the next scripted reply, sent as exact
// bytes. A reply can trickle in pieces, stall, or close the connection.
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
    };

    explicit FakeHttpServer(QObject *parent = nullptr);
    ~FakeHttpServer() override;

    quint16 port() const { return m_server.serverPort(); }
    QString baseUrl(const QString &path = QStringLiteral("/quote")) const;

    void enqueue(const Reply &reply);
    void enqueue(const QByteArray &bytes) { enqueue(Reply{bytes}); }
    // Answers every request without a scripted reply.
    void setDefaultReply(std::function<QByteArray(const QByteArray &request)> makeReply);

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

    QTcpServer m_server;
    QList<Reply> m_queue;
    std::function<QByteArray(const QByteArray &)> m_default;
    QList<QByteArray> m_requests;
    QList<qint64> m_requestTimesMs;
    QList<qint64> m_replyEndTimesMs;
    QHash<QTcpSocket *, QByteArray> m_pending;
};
