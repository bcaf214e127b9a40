#include "watch/SwitchTimer.h"

SwitchTimer::SwitchTimer(QObject *parent)
    : QTimer(parent)
{
}

void SwitchTimer::setEnabled(bool enabled)
{
    if (enabled)
        start(); // restarts the interval even when already running
    else
        stop();
}
