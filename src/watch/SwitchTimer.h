#pragma once

#include <QTimer>

// The refresh timer, switched on and off by name: enabling it restarts its
// interval, so the next tick comes a whole interval after it was enabled.
class SwitchTimer : public QTimer
{
    Q_OBJECT

public:
    explicit SwitchTimer(QObject *parent = nullptr);

    bool isEnabled() const { return isActive(); }
    void setEnabled(bool enabled);
};
