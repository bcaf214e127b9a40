#include "quotes/QuoteFreshness.h"

#include <QCoreApplication>
#include <utility>

namespace {

QString tr(const char *text, int n = -1)
{
    return QCoreApplication::translate("QuoteFreshness", text, nullptr, n);
}

const QString kApart = QStringLiteral(" · ");

QString pricesFrom(const QuoteFreshness::State &state, QDate today)
{
    return state.lastQuotes.isValid() ? tr("; prices from %1").arg(QuoteFreshness::when(state.lastQuotes, today))
                                      : QString();
}

} // namespace

QString QuoteFreshness::when(const QDateTime &at, QDate today)
{
    return at.date() == today ? at.toString(QStringLiteral("HH:mm:ss"))
                              : at.toString(QStringLiteral("d MMM yyyy HH:mm:ss"));
}

QString QuoteFreshness::text(const State &state, QDate today)
{
    switch (state.answer) {
    case Answer::NotAsked:
    case Answer::Quotes: {
        if (!state.lastQuotes.isValid())
            return QString();
        QString said = tr("Updated %1").arg(when(state.lastQuotes, today));
        if (!state.source.isEmpty())
            said += kApart + state.source;
        if (state.notUpdated == 1)
            said += kApart + tr("1 scrip not updated");
        else if (state.notUpdated > 1)
            said += kApart + tr("%L1 scrips not updated").arg(state.notUpdated);
        return said;
    }
    case Answer::Waiting:
        return tr("Waiting for the quote service…");
    case Answer::WithoutScrips:
        return (state.listed == 1 ? tr("The quote service answered without this scrip")
                                  : tr("The quote service answered without these scrips")) +
               pricesFrom(state, today);
    case Answer::NoAnswer:
        return tr("No answer from the quote service") + pricesFrom(state, today);
    }
    return QString();
}

bool QuoteFreshness::refreshStarted(int listed)
{
    if (std::exchange(m_started, true) || listed == 0)
        return false;
    m_state.answer = Answer::Waiting;
    return true;
}

bool QuoteFreshness::refreshEnded(const Ended &ended)
{
    const Answer before = m_state.answer;
    m_state.listed = ended.listed;
    if (ended.painted > 0) {
        m_state.answer = Answer::Quotes;
        m_state.lastQuotes = ended.at;
        m_state.notUpdated = ended.listed - ended.painted;
        m_state.source = ended.source;
    } else if (ended.listed == 0) {
        // An empty list asks for nothing, so an empty answer tells nothing.
        m_state.answer = m_state.lastQuotes.isValid() ? Answer::Quotes : Answer::NotAsked;
        m_state.notUpdated = 0;
    } else {
        m_state.answer = ended.answered ? Answer::WithoutScrips : Answer::NoAnswer;
    }
    return m_state.answer != before;
}
