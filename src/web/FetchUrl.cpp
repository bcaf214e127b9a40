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

// The whole life of one fetch's hidden object: made, read once, gone.
template <typename Read> auto withFetchObject(const FetchSettings &settings, Read &&read)
{
    frmData data(settings.network, settings.deadlineMs, settings.advertFolder);
    data.setAdvertHandler(showAdvert);
    return read(data);
}

} // namespace

QString FetchUrl(const FetchSettings &settings, const QString &url)
{
    return withFetchObject(settings, [&url](frmData &data) { return frmData::textOf(data.GetBytes(QUrl(url))); });
}

FetchedReply FetchUrlBytes(const FetchSettings &settings, const QUrl &url)
{
    return withFetchObject(settings, [&url](frmData &data) { return data.GetReply(url); });
}
