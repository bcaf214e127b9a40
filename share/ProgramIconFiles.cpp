// Writes the program icon into a hicolor icon theme folder: one PNG per size
// asked for, scaled without blending its pixels, and an SVG that draws the same
// 32 x 32 pixels as squares, so that any size stays sharp.
// Usage: tickerloom-icon-files FOLDER APP_ID SIZE...

#include "watch/ProgramIcon.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QTextStream>
#include <cstdio>

namespace {

bool writePng(const QImage &icon, const QString &folder, const QString &appId, int size)
{
    const QString dir = QStringLiteral("%1/%2x%2/apps").arg(folder, QString::number(size));
    // FastTransformation picks the nearest pixel: the 16 colours stay crisp.
    const QImage scaled = icon.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return QDir().mkpath(dir) && scaled.save(dir + QLatin1Char('/') + appId + QStringLiteral(".png"), "PNG");
}

// One path per colour, made of the horizontal runs of that colour's pixels.
QString svgOf(const QImage &icon)
{
    QMap<QRgb, QString> runsByColour;
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width();) {
            const QRgb colour = icon.pixel(x, y);
            int end = x + 1;
            while (end < icon.width() && icon.pixel(end, y) == colour)
                ++end;
            runsByColour[colour] += QStringLiteral("M%1 %2h%3v1h-%3z").arg(x).arg(y).arg(end - x);
            x = end;
        }
    }
    QString svg;
    QTextStream out(&svg);
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << icon.width() << "\" height=\"" << icon.height()
        << "\" viewBox=\"0 0 " << icon.width() << ' ' << icon.height() << "\" shape-rendering=\"crispEdges\">\n";
    for (auto run = runsByColour.cbegin(); run != runsByColour.cend(); ++run)
        out << "<path fill=\"" << QColor(run.key()).name() << "\" d=\"" << run.value() << "\"/>\n";
    out << "</svg>\n";
    return svg;
}

bool writeSvg(const QImage &icon, const QString &folder, const QString &appId)
{
    const QString dir = folder + QStringLiteral("/scalable/apps");
    QFile file(dir + QLatin1Char('/') + appId + QStringLiteral(".svg"));
    return QDir().mkpath(dir) && file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(svgOf(icon).toUtf8()) >= 0 && file.flush();
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "Usage: %s FOLDER APP_ID SIZE...\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString appId = QString::fromLocal8Bit(argv[2]);
    const QImage icon = ProgramIcon::image();
    bool written = writeSvg(icon, folder, appId);
    for (int i = 3; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        written = size > 0 && writePng(icon, folder, appId, size) && written;
    }
    if (!written)
        std::fprintf(stderr, "%s: could not write every icon file into %s\n", argv[0], argv[1]);
    return written ? 0 : 1;
}
