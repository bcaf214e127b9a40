#include "web/QueryEncoding.h"

#include <algorithm>
#include <array>

namespace QueryEncoding {
namespace {

// A table, as a long list's every character is asked about.
constexpr std::array<bool, 128> kRaw = [] {
    std::array<bool, 128> raw{};
    for (char16_t c = 0; c < 128; ++c)
        raw[c] = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-' ||
                 c == u'.' || c == u'_' || c == u'~' || c == u',';
    return raw;
}();

bool staysRaw(char16_t c)
{
    return c < kRaw.size() && kRaw[c];
}

void appendEscaped(QString &out, uchar byte)
{
    static const char hex[] = "0123456789ABCDEF";
    out += u'%';
    out += QLatin1Char(hex[byte >> 4]);
    out += QLatin1Char(hex[byte & 0xF]);
}

} // namespace

bool staysAsItIs(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return staysRaw(c.unicode()); });
}

QString encode(QStringView text)
{
    QString out;
    out.reserve(text.size());
    appendEncoded(out, text);
    return out;
}

void appendEncoded(QString &out, QStringView text)
{
    qsizetype raw = 0; // where the run of characters that stay as they are began
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (staysRaw(c))
            continue;
        out += text.sliced(raw, i - raw); // a long list is mostly such runs: appended whole
        if (c <= 0xFF) {
            appendEscaped(out, uchar(c));
        } else {
            // A surrogate pair is one character: encode the pair together.
            const bool pair = QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate();
            const qsizetype length = pair ? 2 : 1;
            for (uchar byte : text.mid(i, length).toUtf8())
                appendEscaped(out, byte);
            i += length - 1;
        }
        raw = i + 1;
    }
    out += text.sliced(raw);
}

} // namespace QueryEncoding
