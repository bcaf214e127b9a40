#include "watch/ProgramIcon.h"

#include <QList>
#include <cstdlib>

namespace ProgramIcon {
namespace {

// The 16 colours of the classic palette.
const QList<QRgb> kPalette = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
};
enum Colour { Black = 0, DarkBlue = 4, Grey = 8, Silver = 7, Green = 10, Red = 9, Yellow = 11, White = 15 };

void line(QImage &image, int x0, int y0, int x1, int y1, int colour)
{
    const int steps = qMax(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int i = 0; i <= steps; ++i) {
        const int x = x0 + (x1 - x0) * i / qMax(steps, 1);
        const int y = y0 + (y1 - y0) * i / qMax(steps, 1);
        image.setPixel(x, y, colour);
        image.setPixel(x, qMin(y + 1, 31), colour); // two pixels thick
    }
}

} // namespace

QImage image()
{
    QImage icon(32, 32, QImage::Format_Indexed8);
    icon.setColorTable(kPalette);
    icon.fill(DarkBlue);
    for (int x = 0; x < 32; ++x) { // frame
        icon.setPixel(x, 0, Silver);
        icon.setPixel(x, 31, Black);
        icon.setPixel(0, x, Silver);
        icon.setPixel(31, x, Black);
    }
    for (int x = 4; x <= 27; x += 6) // grid lines
        for (int y = 4; y <= 27; y += 2)
            icon.setPixel(x, y, Grey);
    for (int x = 3; x <= 28; ++x) // axis
        icon.setPixel(x, 27, White);
    // A ticking price: up, down, up, up.
    line(icon, 4, 20, 10, 14, Green);
    line(icon, 10, 14, 15, 19, Red);
    line(icon, 15, 19, 21, 11, Green);
    line(icon, 21, 11, 27, 5, Yellow);
    return icon;
}

} // namespace ProgramIcon
