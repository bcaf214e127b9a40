#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// The advertisement the service sends in place of some replies: a panel for
// "Tickerloom Pro" with a rising chart, drawn here so that nothing is borrowed.
// Drawing text needs a QGuiApplication.
namespace AdvertPicture {

constexpr int kSide = 350; // pixels, the picture is square

// The picture; link is the advertiser's address without "www.", printed at the foot.
QImage draw(const QString &link);

// The same picture as JPEG bytes.
QByteArray jpeg(const QString &link);

} // namespace AdvertPicture
