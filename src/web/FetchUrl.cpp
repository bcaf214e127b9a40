#include "web/FetchUrl.h"

#include "web/AdvertImage.h"
#include "web/SetTopMost.h"
#include "web/WebLog.h"
#include "web/frmData.h"
#include "web/frmTip.h"

namespace {

void showAdvert(const QByteArray &picture, const QString &link)
{
    const QImage decoded = AdvertImage::decode(picture);
    if (decoded.isNull()) {
        qCDebug(lcWeb) << "advertisement of" << picture.size() << "bytes is no picture within budget: no window";
        return;
    }
    auto *tip = new frmTip(); // no owner: it outlives the fetch; frmTip::deleteAll() ends it with the program
    tip->StrLink = link;
    tip->setPicture(decoded);
    tip->show(); // not modal: the fetch goes on while it is open
    SetTopMost(tip, true);
    tip->activateWindow();
    tip->setFocus();
}

} // namespace

QString FetchUrl(const FetchSettings &settings, const QString &url)
{
    return QString::fromLatin1(FetchUrlBytes(settings, QUrl(url)));
}

QByteArray FetchUrlBytes(const FetchSettings &settings, const QUrl &url)
{
    frmData data(settings.network, settings.deadlineMs, settings.advertFolder);
    data.setAdvertHandler(showAdvert);
    return data.GetBytes(url);
}
