#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// Decodes an advertisement picture within a fixed memory budget. A picture
// larger than the window's picture area is scaled down to fit it, keeping its
// shape, while it is decoded where the format allows (PNG and JPEG do), so a
// small file of huge dimensions never costs its full size. One that cannot be
// decoded within the budget, or whose size cannot be read first, is no
// picture (a null image).
namespace AdvertImage {

constexpr QSize kArea(350, 350);
constexpr qint64 kBudgetPixels = qint64(4) * 1024 * 1024; // 16 MB while decoding

QImage decode(const QByteArray &bytes);

} // namespace AdvertImage
