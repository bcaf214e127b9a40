#pragma once

#include <QByteArrayView>
#include <QString>

// Where a quote reply says its prices come from, as the status line shows it.
// The words come from the service, so only printable characters of a
// bounded length are kept: nothing it sends can break the line or reorder it.
namespace QuoteSource {

constexpr qsizetype kMostCharacters = 40;

// The header's value as shown: spaces in a row become one, a value cut at
// the bound ends with "…"; empty when it holds nothing printable.
QString shown(QByteArrayView headerValue);

} // namespace QuoteSource
