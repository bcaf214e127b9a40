#pragma once

#include <QString>
#include <QtGlobal>

// Turns a scrambled constant back into text: the caller's key is lowered by
// one, then every character code moves down by the lowered key, in 16-bit
// signed arithmetic. Throws std::overflow_error when the key cannot be
// lowered or a code overflows, std::invalid_argument when a result is not a
// single-byte code (0 to 255).
QString Unscramble(const QString &text, qint16 &key);
