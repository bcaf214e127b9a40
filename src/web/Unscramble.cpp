#include "web/Unscramble.h"

#include <limits>
#include <stdexcept>

QString Unscramble(const QString &text, qint16 &key)
{
    if (key == std::numeric_limits<qint16>::min())
        throw std::overflow_error("Unscramble: the key cannot be lowered");
    --key;

    QString result;
    result.reserve(text.size());
    for (QChar c : text) {
        // A character beyond one byte has no single-byte code: it stands as "?".
        const int code = c.unicode() <= 0xFF ? c.unicode() : '?';
        const int lowered = code - key;
        if (lowered > std::numeric_limits<qint16>::max() || lowered < std::numeric_limits<qint16>::min())
            throw std::overflow_error("Unscramble: character code overflow");
        if (lowered < 0 || lowered > 255)
            throw std::invalid_argument("Unscramble: not a single-byte character code");
        result += QChar(char16_t(lowered));
    }
    return result;
}
