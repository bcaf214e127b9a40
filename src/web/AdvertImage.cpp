#include "web/AdvertImage.h"

#include <QBuffer>
#include <QImageReader>

namespace AdvertImage {
namespace {

qint64 pixels(const QSize &size)
{
    return qint64(size.width()) * size.height();
}

// A decoder that scales while it decodes (JPEG) still works at no less than
// an eighth of each side.
constexpr qint64 kDecoderScaleLimit = qint64(8) * 8;

} // namespace

QImage decode(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return QImage();
    const QSize shown = (size.width() > kArea.width() || size.height() > kArea.height())
                            ? size.scaled(kArea, Qt::KeepAspectRatio).expandedTo(QSize(1, 1))
                            : size;
    const qint64 decoded = reader.supportsOption(QImageIOHandler::ScaledSize)
                               ? qMax(pixels(shown), pixels(size) / kDecoderScaleLimit)
                               : pixels(size);
    if (decoded > kBudgetPixels)
        return QImage();
    if (shown != size)
        reader.setScaledSize(shown);
    return reader.read();
}

} // namespace AdvertImage
