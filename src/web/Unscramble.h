#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// Turns a scrambled constant back into text: the caller's key is lowered by
// one, then every character code moves down by the lowered key, in 16-bit
// signed arithmetic. No result when the key cannot be lowered (the key then
// stays as it was), when a code overflows, or when a result is not a
// single-byte code (0 to 255).
std::optional<QString> Unscramble(const QString &text, qint16 &key);
