#pragma once

#include <QString>

// Fetches a URL with one HTTP GET and returns the reply body text, or "" on
// any failure; an advertisement on the way opens its window and the data still
// arrives. Nothing escapes it.
QString FetchUrl(const QString &url);
