#pragma once

#include <QTimer>

// A timer whose enabled state can be waited for: enabling it restarts its
// interval, and every change of state is announced. The refresh timer's
// enabled state also tells that no timer refresh is running.
class SwitchTimer : public QTimer
{
    Q_OBJECT

public:
    explicit SwitchTimer(QObject *parent = nullptr);

    bool isEnabled() const { return isActive(); }
    void setEnabled(bool enabled);

signals:
    void enabledChanged(bool enabled);
};
