#include "service/AdvertPicture.h"

#include <QBuffer>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <iterator>

namespace AdvertPicture {
namespace {

constexpr int kJpegQuality = 85;
const QColor kDeepBlue(12, 36, 84);
const QColor kBrightBlue(30, 96, 180);
const QColor kGold(255, 196, 40);
const QColor kGreen(60, 220, 120);

void drawBackground(QPainter &painter)
{
    QLinearGradient gradient(0, 0, 0, kSide);
    gradient.setColorAt(0, kBrightBlue);
    gradient.setColorAt(1, kDeepBlue);
    painter.fillRect(0, 0, kSide, kSide, gradient);
    painter.setPen(QPen(kGold, 6));
    painter.drawRect(3, 3, kSide - 6, kSide - 6);
}

void drawText(QPainter &painter, const QRect &box, int pixelSize, bool bold, const QColor &colour, const QString &text)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(box, Qt::AlignCenter, text);
}

// A fixed zig-zag that climbs: the picture must not change from run to run.
void drawChart(QPainter &painter)
{
    const QRect area(40, 130, kSide - 80, 130);
    painter.setPen(QPen(QColor(255, 255, 255, 60), 1));
    for (int line = 0; line <= 4; ++line)
        painter.drawLine(area.left(), area.top() + line * area.height() / 4, area.right(),
                         area.top() + line * area.height() / 4);
    static constexpr int kRise[] = {10, 30, 22, 45, 38, 60, 52, 75, 70, 92, 85, 110, 125};
    constexpr int kPoints = int(std::size(kRise));
    QPainterPath path;
    for (int i = 0; i < kPoints; ++i) {
        const QPointF point(area.left() + i * area.width() / double(kPoints - 1), area.bottom() - kRise[i]);
        i == 0 ? path.moveTo(point) : path.lineTo(point);
    }
    painter.setPen(QPen(kGreen, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
}

} // namespace

QImage draw(const QString &link)
{
    QImage image(kSide, kSide, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    drawBackground(painter);
    drawText(painter, QRect(0, 30, kSide, 50), 38, true, kGold, QStringLiteral("Tickerloom Pro"));
    drawText(painter, QRect(0, 80, kSide, 30), 17, false, Qt::white, QStringLiteral("Live quotes. Sharper charts."));
    drawChart(painter);
    drawText(painter, QRect(0, 270, kSide, 30), 20, true, Qt::white, QStringLiteral("Try it free for 30 days"));
    drawText(painter, QRect(0, 305, kSide, 25), 15, false, kGold, QStringLiteral("www.") + link);
    return image;
}

QByteArray jpeg(const QString &link)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    draw(link).save(&buffer, "JPG", kJpegQuality);
    return bytes;
}

} // namespace AdvertPicture
