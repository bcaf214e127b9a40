#include "web/FetchUrl.h"

#include "web/SetTopMost.h"
#include "web/frmData.h"
#include "web/frmTip.h"

#include <exception>

namespace {

bool showAdvert(const QString &picturePath, const QString &link)
{
    auto *tip = new frmTip();
    tip->StrLink = link;
    if (!tip->loadPicture(picturePath)) {
        delete tip;
        return false;
    }
    tip->show(); // not modal: the fetch goes on while it is open
    SetTopMost(tip, true);
    tip->activateWindow();
    tip->setFocus();
    return true;
}

} // namespace

QString FetchUrl(const QString &url)
{
    try {
        frmData data;
        data.setAdvertHandler(showAdvert);
        return data.GetData(url);
    } catch (...) {
        return QString();
    }
}
