#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT (a logout, kill, Ctrl+C) into a Qt signal,
// delivered by whichever event loop runs, nested ones included, so that the
// program ends the way closing its window ends it, tidying up as it goes. A
// second such signal ends the program at once, as it would have without.
// One instance at a time.
class ShutdownSignals : public QObject
{
    Q_OBJECT

public:
    explicit ShutdownSignals(QObject *parent = nullptr);
    ~ShutdownSignals() override;

signals:
    void received(int signal);

private:
    void readSignal();

    QSocketNotifier *m_notifier = nullptr;
};
