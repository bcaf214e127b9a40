#include "web/Unscramble.h"

#include <limits>

std::optional<QString> Unscramble(const QString &text, qint16 &key)
{
    if (key == std::numeric_limits<qint16>::min())
        return std::nullopt;
    --key;

    QString result;
    result.reserve(text.size());
    for (QChar c : text) {
        // A character beyond one byte has no single-byte code: it stands as "?".
        const int code = c.unicode() <= 0xFF ? c.unicode() : '?';
        const int lowered = code - key;
        if (lowered < 0 || lowered > 255)
            return std::nullopt; // also every 16-bit overflow, which lies far outside 0 to 255
        result += QChar(char16_t(lowered));
    }
    return result;
}
