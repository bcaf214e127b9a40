#include "quotes/QuoteSource.h"

#include <QList>

namespace QuoteSource {

QString shown(QByteArrayView headerValue)
{
    QString kept;
    bool spaceDue = false;
    // Control and format characters (line breaks, direction overrides) go;
    // any kind of space stands as one plain space between words.
    for (const char32_t c : QString::fromUtf8(headerValue).toUcs4()) {
        if (QChar::isSpace(c)) {
            spaceDue = !kept.isEmpty();
            continue;
        }
        if (!QChar::isPrint(c) || c == U'\uFFFD')
            continue;
        if (spaceDue)
            kept += u' ';
        spaceDue = false;
        kept += QString::fromUcs4(&c, 1);
    }
    if (kept.size() <= kMostCharacters)
        return kept;
    qsizetype cut = kMostCharacters - 1;
    if (kept[cut - 1].isHighSurrogate())
        --cut; // never half a character
    return kept.left(cut).trimmed() + u'…';
}

} // namespace QuoteSource
