#pragma once

#include <QString>

// Builds the search request: base address, "?src=", the search text, "&tl=1".
namespace SearchRequest {

QString url(const QString &baseAddress, QStringView searchText);

} // namespace SearchRequest
