#include "search/SearchReply.h"

namespace SearchReply {

std::vector<SearchResult> parse(QStringView body)
{
    std::vector<SearchResult> results;
    qsizetype start = 0;
    while (start <= body.size()) {
        const qsizetype end = body.indexOf(u"\r\n", start);
        const QStringView line = body.mid(start, (end < 0 ? body.size() : end) - start);
        if (!line.isEmpty()) {
            const qsizetype first = line.indexOf(u',');
            SearchResult result;
            result.code = line.left(first < 0 ? line.size() : first).toString();
            if (first >= 0) {
                const qsizetype second = line.indexOf(u',', first + 1);
                result.companyName =
                    line.mid(first + 1, (second < 0 ? line.size() : second) - first - 1).toString();
            }
            results.push_back(std::move(result));
        }
        if (end < 0)
            break;
        start = end + 2;
    }
    return results;
}

} // namespace SearchReply
