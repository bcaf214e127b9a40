#include "search/SearchRequest.h"

#include "web/QueryEncoding.h"

namespace SearchRequest {

QString url(const QString &baseAddress, QStringView searchText)
{
    return baseAddress + QStringLiteral("?src=") + QueryEncoding::encode(searchText) + QStringLiteral("&tl=1");
}

} // namespace SearchRequest
