#include "support/TestHelpers.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTimer>

// What any test may use; the windows' helpers are in TestWidgets.cpp, so that
// a test of widget-free code links no widgets.
namespace TestHelpers {

void clearQuitRequest()
{
    // exec() starts by clearing the request to quit; the queued quit ends it at once.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

QImage chartInToolTip(const QString &toolTip)
{
    const QRegularExpressionMatch png =
        QRegularExpression(QStringLiteral("data:image/png;base64,([A-Za-z0-9+/=]+)")).match(toolTip);
    return png.hasMatch() ? QImage::fromData(QByteArray::fromBase64(png.captured(1).toLatin1()), "PNG") : QImage();
}

QList<int> lineHeights(const QImage &chart)
{
    constexpr int kLighterThanALine = 3 * 200; // antialiasing's faint edges do not count
    QList<int> heights;
    for (int x = 0; x < chart.width(); ++x) {
        int darkest = kLighterThanALine;
        int at = -1;
        for (int y = 0; y < chart.height(); ++y) {
            const QRgb pixel = chart.pixel(x, y);
            if (const int sum = qRed(pixel) + qGreen(pixel) + qBlue(pixel); sum < darkest) {
                darkest = sum;
                at = y;
            }
        }
        heights.append(at);
    }
    return heights;
}

int turnsOf(const QList<int> &heights)
{
    int turns = 0;
    int direction = 0;
    int last = -1;
    for (int y : heights) {
        if (y < 0)
            continue;
        const int now = last < 0 || y == last ? direction : (y < last ? 1 : -1);
        turns += direction != 0 && now != direction;
        direction = now;
        last = y;
    }
    return turns;
}

} // namespace TestHelpers
