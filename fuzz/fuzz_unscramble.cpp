// Fuzzes the unscrambling with any key (the first two bytes) and any text
// (the rest, as UTF-16).

#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "web/Unscramble.h"

#include <cstring>
#include <optional>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < sizeof(qint16))
        return 0;
    qint16 key = 0;
    std::memcpy(&key, data, sizeof key);
    const qint16 givenKey = key;
    const QString text = FuzzInput::utf16(data + sizeof key, size - sizeof key);

    const std::optional<QString> result = Unscramble(text, key);
    if (!result)
        return 0;
    fuzzCheck(key == givenKey - 1, "the caller's key is lowered by one");
    fuzzCheck(result->size() == text.size(), "one character for each character");
    for (QChar c : *result)
        fuzzCheck(c.unicode() <= 0xFF, "only single-byte codes");
    return 0;
}
