#pragma once

#include <QThread>

class ConnectionHandoff;
class QuoteService;

// One thread of the service's HTTP serving: a QHttpServer on a thread of its
// own that answers the connections handed to it. Taking in a long request
// costs the HTTP server as much as building its reply, so each connection is
// served whole on one worker, and several workers serve at once.
class HttpWorker
{
public:
    // listeningDescriptor: the service's listening socket, borrowed while the
    // HTTP server is set up. service must outlive the worker.
    HttpWorker(QuoteService &service, int idleTimeoutMs, qintptr listeningDescriptor);
    // Stops the thread; its connections are closed.
    ~HttpWorker();

    // Serves the accepted connection. Safe to call from any thread.
    void adopt(qintptr descriptor);

private:
    void setUp(QuoteService &service, int idleTimeoutMs, qintptr listeningDescriptor);

    QThread m_thread;
    QObject *m_home = nullptr;              // lives on m_thread; owns everything there
    ConnectionHandoff *m_handoff = nullptr; // owned by the worker's server, which bind() makes its parent
};
