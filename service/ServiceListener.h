#pragma once

#include <QTcpServer>

#include <functional>

// The service's listening socket. It makes no socket of an accepted
// connection: it hands the descriptor on, so that the connection can be
// served on another thread.
class ServiceListener : public QTcpServer
{
    Q_OBJECT

public:
    static constexpr int kBacklog = 1024; // connections not yet accepted

    using HandOn = std::function<void(qintptr descriptor)>;

    explicit ServiceListener(HandOn handOn, QObject *parent = nullptr);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    HandOn m_handOn;
};
