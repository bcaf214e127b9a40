#include "service/ServiceListener.h"

ServiceListener::ServiceListener(HandOn handOn, QObject *parent)
    : QTcpServer(parent)
    , m_handOn(std::move(handOn))
{
    // Many clients connecting at once wait in the system's queue, not in
    // retries of their first packet, which begin a second later.
    setListenBacklogSize(kBacklog);
}

void ServiceListener::incomingConnection(qintptr descriptor)
{
    m_handOn(descriptor);
}
