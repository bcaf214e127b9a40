#include "search/SearchReply.h"

#include "web/CrLfLines.h"

namespace SearchReply {

std::vector<SearchResult> parse(QStringView body)
{
    std::vector<SearchResult> results;
    CrLfLines::forEach(body, [&](QStringView line) {
        if (line.isEmpty())
            return;
        const qsizetype first = line.indexOf(u',');
        SearchResult result;
        result.code = line.left(first < 0 ? line.size() : first).toString();
        if (first >= 0) {
            const qsizetype second = line.indexOf(u',', first + 1);
            result.companyName = line.mid(first + 1, (second < 0 ? line.size() : second) - first - 1).toString();
        }
        results.push_back(std::move(result));
    });
    return results;
}

} // namespace SearchReply
