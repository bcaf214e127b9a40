#pragma once

#include <QString>
#include <vector>

// One row of the search dialog's results.
struct SearchResult
{
    QString code;
    QString companyName;
};

// Parses the search reply: CR LF lines of "CODE,Company Name". Empty lines
// carry nothing; fields after the second are ignored, and a line without a
// comma gives its code with an empty company name.
namespace SearchReply {

std::vector<SearchResult> parse(QStringView body);

} // namespace SearchReply
