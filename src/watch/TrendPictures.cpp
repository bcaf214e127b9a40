#include "watch/TrendPictures.h"

namespace TrendPictures {
namespace {

// Half-width of the up triangle's row: rows 3 to 11 grow from one pixel to nine.
int upHalfWidth(int row)
{
    return (row - 2) / 2;
}

// Edge shade: darkest at the tip, lighter towards the base (140 to 236).
int edgeShade(int distanceFromTip)
{
    return 140 + 12 * distanceFromTip;
}

QImage blank()
{
    QImage image(kSize, kSize, QImage::Format_RGB888);
    image.fill(Qt::black);
    return image;
}

// Draws the up triangle's shape; mirror turns it upside down.
QImage triangle(bool mirror, QRgb (*colour)(int level))
{
    QImage image = blank();
    for (int row = 3; row <= 11; ++row) {
        const int half = upHalfWidth(row);
        const int distanceFromTip = row - 3;
        const int y = mirror ? 14 - row : row;
        for (int col = 7 - half; col <= 7 + half; ++col) {
            const bool tip = row == 3;
            const bool slantedEdge = col == 7 - half || col == 7 + half;
            const bool base = mirror && row == 11; // the down picture's top edge
            const bool shaded = tip || slantedEdge || base;
            image.setPixel(col, y, colour(shaded ? edgeShade(distanceFromTip) : 255));
        }
    }
    return image;
}

QRgb green(int level)
{
    return qRgb(0, level, 0);
}
QRgb red(int level)
{
    return qRgb(level, 0, 0);
}

} // namespace

QImage up()
{
    return triangle(false, green);
}
QImage down()
{
    return triangle(true, red);
}

} // namespace TrendPictures
