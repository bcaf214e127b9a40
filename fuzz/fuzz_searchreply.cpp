// Fuzzes the search reply parser with any body, read as the program reads it.

#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "search/SearchReply.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString body = FuzzInput::latin1(data, size);
    const std::vector<SearchResult> results = SearchReply::parse(body);

    size_t lines = 0;
    for (const QString &line : body.split(QStringLiteral("\r\n")))
        lines += line.isEmpty() ? 0 : 1;
    fuzzCheck(results.size() == lines, "one result per line that is not empty");
    for (const SearchResult &result : results)
        fuzzCheck(!result.code.contains(u',') && !result.companyName.contains(u','), "a field ends at a comma");
    return 0;
}
