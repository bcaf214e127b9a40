#pragma once

class QWidget;

// Puts a window into the always-on-top band, or back into the normal one.
void SetTopMost(QWidget *window, bool topMost);
