#pragma once

#include <QNetworkRequest>

// The program's one HTTP client, and the one place that says what a request
// to the quote service carries: the program's two headers, identity encoding
// (so the bytes checked are the bytes that arrived), no cookies, and a
// transfer time-out.
namespace NetworkClient {

QNetworkRequest request(const QUrl &url, int transferTimeoutMs);

} // namespace NetworkClient
