#include "quotes/PriceChart.h"

#include <QBuffer>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace PriceChart {
namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 48;
constexpr int kMargin = 3;

// Height from the chart's top of each price, lowest at the bottom and highest
// at the top; a price that never moved is a level line across the middle.
double yOf(double price, double low, double high)
{
    const double usableY = kHeight - 2 * kMargin;
    if (!(high > low))
        return kMargin + usableY / 2;
    return kMargin + usableY - (price - low) / (high - low) * usableY;
}

QPainterPath lineThrough(const std::vector<double> &prices)
{
    const auto [low, high] = std::minmax_element(prices.begin(), prices.end());
    const double stepX = double(kWidth - 2 * kMargin) / double(std::max<size_t>(prices.size() - 1, 1));
    QPainterPath path;
    for (size_t i = 0; i < prices.size(); ++i) {
        const QPointF point(kMargin + double(i) * stepX, yOf(prices[i], *low, *high));
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    return path;
}

} // namespace

QImage draw(const std::vector<double> &prices)
{
    QImage chart(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    chart.fill(Qt::white);
    if (prices.size() < 2)
        return chart;
    QPainter painter(&chart);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 0, 160), 1.5));
    painter.drawPath(lineThrough(prices));
    return chart;
}

QString asRichText(const std::vector<double> &prices)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    draw(prices).save(&buffer, "PNG");
    return QStringLiteral("<img src=\"data:image/png;base64,%1\" width=\"%2\" height=\"%3\">")
        .arg(QString::fromLatin1(png.toBase64()))
        .arg(kWidth)
        .arg(kHeight);
}

} // namespace PriceChart
