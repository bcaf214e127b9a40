#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Turns a fuzzer's bytes into the text a parser takes.
namespace FuzzInput {

// Bytes as 8-bit text, the way the program reads replies and its list file.
inline QString latin1(const uint8_t *data, size_t size)
{
    return QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Byte pairs as UTF-16 code units, any of them, paired surrogates or not.
// (QString::fromUtf16 would take a leading byte-order mark away.)
inline QString utf16(const uint8_t *data, size_t size)
{
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    if (size >= 2)
        std::memcpy(text.data(), data, size / 2 * 2);
    return text;
}

} // namespace FuzzInput
