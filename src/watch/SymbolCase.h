#pragma once

#include <QString>
#include <QStringView>

// The one rule by which two symbols name the same scrip: they are equal once
// upper-cased as QString::toUpper does it. A reply's lines are matched to
// the rows by it, and the list's check for equal symbols follows it too.
namespace SymbolCase {

// Symbols are short: upper-casing one needs no heap when it fits here.
constexpr qsizetype kOnStack = 64;

inline char16_t asciiUpper(char16_t c)
{
    return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
}

// The symbol upper-cased. An ASCII symbol, the usual kind, is written into
// the buffer; any other takes Qt's full rule into fallback, since its upper
// case may differ in length (ß gives SS) or be ASCII after all (ı gives I).
inline QStringView upper(QStringView symbol, char16_t (&buffer)[kOnStack], QString &fallback)
{
    if (symbol.size() <= kOnStack) {
        qsizetype i = 0;
        for (; i < symbol.size() && symbol.utf16()[i] < 0x80; ++i)
            buffer[i] = asciiUpper(symbol.utf16()[i]);
        if (i == symbol.size())
            return QStringView(buffer, i);
    }
    fallback = symbol.toString().toUpper();
    return fallback;
}

} // namespace SymbolCase
