#pragma once

#include <QObject>

#include <initializer_list>
#include <vector>

class QSocketNotifier;

// Turns Unix signals such as SIGINT and SIGTERM into a Qt signal on the event
// loop. The handler only writes the signal number into a socket pair, the one
// thing that is safe inside a handler; a QSocketNotifier reads it back.
// The process has one set of handlers, so only one watcher may exist at a time.
class SignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatcher(std::initializer_list<int> signalNumbers, QObject *parent = nullptr);
    ~SignalWatcher() override;

    // False when the socket pair or a handler could not be set up.
    bool isValid() const { return m_notifier != nullptr; }

signals:
    void signalled(int signalNumber);

private:
    static void handle(int signalNumber);
    void readSignal();

    QSocketNotifier *m_notifier = nullptr;
    std::vector<int> m_signalNumbers;
};
