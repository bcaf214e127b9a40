#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

// What the window says about the prices it shows: when the last refresh that
// brought quotes ended, where they came from and how many listed scrips it
// left out; or that the first answer is still awaited, that the service does
// not answer, or that it answered without any listed scrip, and then how old
// the prices are. Old prices must never pass for current ones: a time from
// another day comes with its date.
class QuoteFreshness
{
public:
    enum class Answer { NotAsked, Waiting, Quotes, WithoutScrips, NoAnswer };

    struct State
    {
        Answer answer = Answer::NotAsked;
        QDateTime lastQuotes; // invalid until a refresh brings quotes
        int notUpdated = 0;   // listed scrips the latest refresh that brought quotes left out
        int listed = 0;       // scrips the latest refresh asked for
        QString source;       // where the latest quotes came from, as shown; empty when unsaid
    };

    // How one all-rows refresh ended.
    struct Ended
    {
        bool answered = false; // the service sent a reply with data, whatever it held
        int listed = 0;        // scrips asked for that were still listed when it ended
        int painted = 0;       // of them, the scrips the reply answered
        QDateTime at;
        QString source;
    };

    // The status line's words for a state, read on the given day.
    static QString text(const State &state, QDate today);
    // A moment as the window tells it: its time, and its date when not today.
    static QString when(const QDateTime &at, QDate today);

    // An all-rows refresh of that many scrips starts. True when that changes
    // what is said: only the program's first refresh of a list waits, the
    // later ones keep what the last one said.
    bool refreshStarted(int listed);
    // True when the refresh changed the kind of answer, not only its time.
    bool refreshEnded(const Ended &ended);

    const State &state() const { return m_state; }
    QString text(QDate today) const { return text(m_state, today); }
    bool isStale() const { return m_state.answer == Answer::NoAnswer || m_state.answer == Answer::WithoutScrips; }

private:
    State m_state;
    bool m_started = false;
};
