#pragma once

#include <QStringView>

// The service's replies are lines ended by CR LF; a lone CR or LF stays
// inside its line. A body ending in CR LF gives an empty last line.
namespace CrLfLines {

// The next CR LF from start, or -1.
inline qsizetype indexOfLineEnd(QStringView body, qsizetype start)
{
    for (qsizetype cr = body.indexOf(u'\r', start); cr >= 0; cr = body.indexOf(u'\r', cr + 1))
        if (cr + 1 < body.size() && body[cr + 1] == u'\n')
            return cr;
    return -1;
}

// Calls visit(line) for every line of the body, in order, empty ones included.
template <typename Visit> void forEach(QStringView body, Visit &&visit)
{
    qsizetype start = 0;
    while (true) {
        const qsizetype end = indexOfLineEnd(body, start);
        visit(body.mid(start, (end < 0 ? body.size() : end) - start));
        if (end < 0)
            return;
        start = end + 2;
    }
}

} // namespace CrLfLines
