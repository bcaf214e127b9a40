#include "watch/GridFit.h"

#include <cmath>

namespace GridFit {

Fit fit(QSize outerWindowPixels, int gridTopPixels)
{
    Fit result;
    const float heightTwips =
        float(outerWindowPixels.height()) * kTwipsPerPixel - float(gridTopPixels) * kTwipsPerPixel - 400.0f;
    if (heightTwips < 0)
        return result;
    result.height = int(std::lround(heightTwips / kTwipsPerPixel));
    const float widthTwips = float(outerWindowPixels.width()) * kTwipsPerPixel - 100.0f;
    if (widthTwips < 0)
        return result;
    result.width = int(std::lround(widthTwips / kTwipsPerPixel));
    return result;
}

} // namespace GridFit
