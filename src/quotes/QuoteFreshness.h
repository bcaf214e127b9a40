#pragma once

#include <QString>
#include <QTime>

// What the window says about the prices it shows: the time of the last
// refresh that brought quotes, and, once a refresh brings nothing while the
// list holds scrips, that the service does not answer and how old the
// prices are. Old prices must never pass for current ones.
class QuoteFreshness
{
public:
    // One all-rows refresh ended at the given local time.
    void refreshEnded(bool broughtQuotes, bool listHoldsScrips, QTime at);

    QString text() const;
    bool isStale() const { return m_noAnswer; }

private:
    QTime m_lastQuotes; // null until a refresh brings quotes
    bool m_noAnswer = false;
};
