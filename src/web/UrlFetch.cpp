#include "web/UrlFetch.h"

#include "web/frmData.h"

UrlFetch textFetchOf(UrlBytesFetch fetch)
{
    return [fetch = std::move(fetch)](const QString &url) { return frmData::textOf(fetch(QUrl(url)).body); };
}
