#pragma once

#include <QImage>
#include <QString>
#include <vector>

// A small line chart of a row's last traded prices, for its tooltip.
namespace PriceChart {

QImage draw(const std::vector<double> &prices);

// The chart as rich text that a tooltip shows: an image held in the text itself.
QString asRichText(const std::vector<double> &prices);

} // namespace PriceChart
