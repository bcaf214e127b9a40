#include "quotes/QuoteFreshness.h"

#include <QCoreApplication>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("QuoteFreshness", text);
}

QString clock(QTime at)
{
    return at.toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

void QuoteFreshness::refreshEnded(bool broughtQuotes, bool listHoldsScrips, QTime at)
{
    if (broughtQuotes)
        m_lastQuotes = at;
    // An empty list asks for nothing, so an empty answer tells nothing.
    m_noAnswer = !broughtQuotes && listHoldsScrips;
}

QString QuoteFreshness::text() const
{
    if (!m_noAnswer)
        return m_lastQuotes.isNull() ? QString() : tr("Updated %1").arg(clock(m_lastQuotes));
    if (m_lastQuotes.isNull())
        return tr("No answer from the quote service");
    return tr("No answer from the quote service; prices from %1").arg(clock(m_lastQuotes));
}
