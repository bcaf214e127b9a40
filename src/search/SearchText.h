#pragma once

#include <QString>

// The search text of the search box: every apostrophe removed, then the
// spaces at both ends (the space character only; tabs stay).
namespace SearchText {

QString fromBox(const QString &boxText);

// "Search" is enabled for a search text of three characters or more.
bool enablesSearch(const QString &boxText);

} // namespace SearchText
