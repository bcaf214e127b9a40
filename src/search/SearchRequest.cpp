#include "search/SearchRequest.h"

#include "protocol/QuoteProtocol.h"
#include "web/QueryEncoding.h"

namespace SearchRequest {

QString url(const QString &baseAddress, QStringView searchText)
{
    using namespace QuoteProtocol;
    return baseAddress + u'?' + QLatin1String(kSearchParameter) + u'=' + QueryEncoding::encode(searchText) + u'&' +
           QLatin1String(kTextParameter) + u'=' + QLatin1String(kOnValue);
}

} // namespace SearchRequest
