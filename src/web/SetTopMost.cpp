#include "web/SetTopMost.h"

#include <QWidget>

void SetTopMost(QWidget *window, bool topMost)
{
    if (!window)
        return;
    const bool wasVisible = window->isVisible();
    const QPoint position = window->pos();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, topMost); // this hides a shown window
    window->move(position);                                   // neither moved nor resized
    if (wasVisible)
        window->show();
}
