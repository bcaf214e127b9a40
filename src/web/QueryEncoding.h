#pragma once

#include <QString>

// Makes a text safe as one query value, so the service reads exactly that
// text: every character but letters, digits, "-._~" and the comma becomes
// %XX. Characters up to U+00FF are sent as their one byte (the program's
// 8-bit text), others as UTF-8.
namespace QueryEncoding {

QString encode(QStringView text);
// The same, appended to out: a long list then takes no copy of its own.
void appendEncoded(QString &out, QStringView text);
// Whether the text is sent as it stands: no character of it is encoded.
bool staysAsItIs(QStringView text);

} // namespace QueryEncoding
