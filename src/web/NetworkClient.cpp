#include "web/NetworkClient.h"

namespace NetworkClient {
namespace {

const QByteArray kContentType = "application/x-www-form-urlencoded";
const QByteArray kUserAgent =
    "Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 6.0; SLCC1; .NET CLR 2.0.50727; .NET CLR 3.0.04506)";

} // namespace

QNetworkRequest request(const QUrl &url, int transferTimeoutMs)
{
    QNetworkRequest request(url);
    request.setRawHeader("Content-Type", kContentType);
    request.setRawHeader("User-Agent", kUserAgent);
    // Qt would otherwise ask for compressed replies and unpack them unseen.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setTransferTimeout(transferTimeoutMs);
    return request;
}

} // namespace NetworkClient
