#pragma once

#include <QLatin1StringView>
#include <QStringView>
#include <cstring>

// The service's replies are lines ended by CR LF; a lone CR or LF stays
// inside its line. A body ending in CR LF gives an empty last line. A body
// is read as text, or as its Latin-1 bytes, one character per byte.
namespace CrLfLines {

// The next CR LF from start, or -1.
inline qsizetype indexOfLineEnd(QStringView body, qsizetype start)
{
    for (qsizetype cr = body.indexOf(u'\r', start); cr >= 0; cr = body.indexOf(u'\r', cr + 1))
        if (cr + 1 < body.size() && body[cr + 1] == u'\n')
            return cr;
    return -1;
}

inline qsizetype indexOfLineEnd(QLatin1StringView body, qsizetype start)
{
    const char *const begin = body.data();
    const char *const end = begin + body.size();
    for (const char *at = begin + start; at < end; ++at) {
        at = static_cast<const char *>(std::memchr(at, '\r', size_t(end - at)));
        if (!at)
            return -1;
        if (at + 1 < end && at[1] == '\n')
            return at - begin;
    }
    return -1;
}

// The line that begins at start, moving start past it and its CR LF; after
// the last line, the one no CR LF ends, start is -1.
template <typename View> View nextLine(View body, qsizetype &start)
{
    const qsizetype end = indexOfLineEnd(body, start);
    const View line = body.mid(start, (end < 0 ? body.size() : end) - start);
    start = end < 0 ? -1 : end + 2;
    return line;
}

// Calls visit(line) for every line of the body, in order, empty ones included.
template <typename View, typename Visit> void forEach(View body, Visit &&visit)
{
    for (qsizetype start = 0; start >= 0;)
        visit(nextLine(body, start));
}

} // namespace CrLfLines
